#pragma once
// The common-dialog component (通用对话框, CommonDlg): a non-visual unit
// whose properties describe one platform file dialog, and ShowFileDialog,
// which runs that dialog and hands the chosen path back in FileName.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/text/text.h"

namespace dovrel {

// Property indices of the component; 0 to 7 are the common unit properties,
// which the window runtime keeps, not the component.
enum class CommonDialogProperty : int {
    DialogKind = 8,
    DialogTitle = 9,
    FileName = 10,
    Filter = 11,
    FilterIndex = 12,
    InitialFolder = 13,
    DefaultExtension = 14,
    CreatePrompt = 15,
    FileMustExist = 16,
    OverwritePrompt = 17,
    PathMustExist = 18,
    KeepCurrentFolder = 19,
};

class CommonDialog {
public:
    static constexpr const char* kTypeName = "通用对话框";
    static constexpr const char* kEnglishTypeName = "CommonDlg";
    static constexpr int kFirstProperty = 8;
    static constexpr int kLastProperty = 19;

    // Dialog kinds; only the two file dialogs are shown by ShowFileDialog.
    static constexpr std::int32_t kOpenFile = 0;
    static constexpr std::int32_t kSaveFile = 1;
    static constexpr std::int32_t kFont = 2;
    static constexpr std::int32_t kHelp = 3;

    // The settings of a newly placed component: an open dialog with no
    // texts, FileMustExist, OverwritePrompt and PathMustExist on.
    CommonDialog() = default;

    std::int32_t DialogKind() const { return dialogKind_; }
    void SetDialogKind(std::int32_t kind);  // clamped into 0..3
    const Text& DialogTitle() const { return dialogTitle_; }
    void SetDialogTitle(const Text& title) { dialogTitle_ = title; }
    // Before the dialog: the name it starts with; after a confirmed dialog:
    // the full path of the chosen file (the first one of several).
    const Text& FileName() const { return fileName_; }
    void SetFileName(const Text& name) { SetFileNames(name.empty() ? std::vector<Text>{} : std::vector<Text>{name}); }
    // Every chosen file's full path, in the dialog's order; FileName is the
    // first of them.
    const std::vector<Text>& FileNames() const { return fileNames_; }
    void SetFileNames(std::vector<Text> paths);
    // Description and patterns alternating, separated by "|".
    const Text& Filter() const { return filter_; }
    void SetFilter(const Text& filter) { filter_ = filter; }
    // 0-based entry of Filter selected at start.
    std::int32_t FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(std::int32_t index);  // a negative index is stored as 0
    const Text& InitialFolder() const { return initialFolder_; }
    void SetInitialFolder(const Text& folder) { initialFolder_ = folder; }
    const Text& DefaultExtension() const { return defaultExtension_; }
    void SetDefaultExtension(const Text& extension) { defaultExtension_ = extension; }
    bool CreatePrompt() const { return createPrompt_; }
    void SetCreatePrompt(bool on) { createPrompt_ = on; }
    bool FileMustExist() const { return fileMustExist_; }
    void SetFileMustExist(bool on) { fileMustExist_ = on; }
    bool OverwritePrompt() const { return overwritePrompt_; }
    void SetOverwritePrompt(bool on) { overwritePrompt_ = on; }
    bool PathMustExist() const { return pathMustExist_; }
    void SetPathMustExist(bool on) { pathMustExist_ = on; }
    // On: a confirmed dialog leaves the process's current folder alone.
    bool KeepCurrentFolder() const { return keepCurrentFolder_; }
    void SetKeepCurrentFolder(bool on) { keepCurrentFolder_ = on; }
    // On: the open dialog lets the user choose several files at once. Not
    // one of the numbered properties.
    bool AllowMultipleFiles() const { return allowMultipleFiles_; }
    void SetAllowMultipleFiles(bool on) { allowMultipleFiles_ = on; }

    // Access by index, as a window description writes its settings.
    // Integer and boolean properties take and give integers (booleans as
    // 0 or 1, any non-zero value written meaning 1); text properties take
    // and give texts. A write to an index the component does not have, or
    // of the wrong kind of value, answers false and changes nothing; such a
    // read answers nothing.
    bool SetProperty(int index, std::int32_t value);
    bool SetProperty(int index, const Text& value);
    bool SetProperty(int index, const char* value) { return SetProperty(index, Text(value ? value : "")); }
    std::optional<std::int32_t> IntegerProperty(int index) const;
    std::optional<Text> TextProperty(int index) const;

private:
    std::int32_t dialogKind_ = kOpenFile;
    Text dialogTitle_;
    Text fileName_;
    std::vector<Text> fileNames_;
    Text filter_;
    std::int32_t filterIndex_ = 0;
    Text initialFolder_;
    Text defaultExtension_;
    bool createPrompt_ = false;
    bool fileMustExist_ = true;
    bool overwritePrompt_ = true;
    bool pathMustExist_ = true;
    bool keepCurrentFolder_ = false;
    bool allowMultipleFiles_ = false;
};

// Shows the dialog of the component's kind, modally for the calling thread
// (and for owner, when given). For the open and save kinds: true when the
// user confirmed a file, whose full path is then in FileName, and the
// process's current folder is that file's folder (unless KeepCurrentFolder
// is on); false when the user cancelled or the dialog failed, with every
// property and the current folder as they were. The font and help kinds
// are not provided: false.
bool ShowFileDialog(CommonDialog& dialog, HWND owner = nullptr);

// The folder dialog's title when DialogTitle is empty.
inline constexpr char kFolderDialogTitle[] = "选择文件夹";

// Shows the platform's folder dialog for an open dialog (the same component,
// so one 浏览 flow offers both): it starts in the folder of the previous
// choice (FileName), or else in InitialFolder. True when the user confirmed
// a folder, which is then the one path in FileNames, and the process's
// current folder is the folder holding it (unless KeepCurrentFolder is on);
// false on cancel or failure, with every property and the current folder as
// they were. The save, font and help kinds show nothing: false.
bool ShowFolderDialog(CommonDialog& dialog, HWND owner = nullptr);

// The pieces of the platform request, exposed for tests.

// OFN_* bits: always hide-read-only, Explorer style and resizable, plus
// one bit for each switch that is on (OFN_ALLOWMULTISELECT for an open
// dialog that allows several files).
DWORD FileDialogFlags(const CommonDialog& dialog);

// The platform's filter list: zero-terminated description and pattern
// strings ending in an empty string. Trailing white space is dropped and
// every "|" becomes a zero byte; "|" bytes inside double-byte characters
// are kept. An empty (or all-blank) filter gives an empty list, meaning
// "no filter".
Text FilterList(const Text& filter);

// nFilterIndex: FilterIndex + 1 when there is a filter list, else 0.
DWORD FileDialogFilterIndex(const CommonDialog& dialog);

// What the file buffer starts with: FileName cut to at most MAX_PATH - 1
// bytes, never in the middle of a double-byte character.
Text InitialFileBuffer(const Text& fileName);

// The file buffer's first size: MAX_PATH for one file; room for many
// paths when several may be chosen. A dialog that answers that the buffer
// was too small is asked again with a larger one, up to kMaxFileBufferSize.
DWORD FileBufferSize(const CommonDialog& dialog);
inline constexpr DWORD kMaxFileBufferSize = 1u << 20;

// The paths in a confirmed dialog's file buffer of `size` bytes, whose
// nFileOffset was fileOffset: one full path, or, when the byte before the
// offset is zero (several files chosen), the folder followed by the names,
// each zero-terminated, the list ending in an empty string; each name is
// then joined to the folder. Nothing is read beyond size.
std::vector<Text> ChosenFiles(const char* buffer, std::size_t size, std::size_t fileOffset);

// The folder part of a full path, without its trailing "\" except for a
// drive's root ("C:\"); empty when the path has no "\". Steps over
// double-byte characters.
Text FolderOfChosenFile(const Text& path);

}  // namespace dovrel
