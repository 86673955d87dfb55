#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "core/text/dbcs.h"
#include "core/text/path_separator.h"
#include "core/text/text_encoding.h"
#include "ui/dialog/common_dialog.h"
#include "ui/dialog/file_dialog_seam.h"

namespace dovrel {

namespace {

constexpr DWORD kFileTitleBufferSize = 64;
// Room for a few hundred chosen paths before the dialog must be asked again.
constexpr DWORD kMultipleFilesBufferSize = 32768;

bool OpensSeveralFiles(const CommonDialog& dialog)
{
    return dialog.AllowMultipleFiles() && dialog.DialogKind() == CommonDialog::kOpenFile;
}

bool IsBlank(char byte)
{
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n' || byte == '\v' || byte == '\f';
}

// Length of text without its trailing white space (and without a lone lead
// byte at its very end, which starts no character).
std::size_t LengthWithoutTrailingBlanks(const Text& text)
{
    std::size_t end = 0;
    ForEachCharacterStart(text.data(), text.size(), [&](std::size_t at) {
        std::size_t size = CharacterSize(text.data(), text.size(), at);
        if (size == 2 || (size == 1 && !IsBlank(text[at]))) end = at + size;
        return true;
    });
    return end;
}

const char* TextOrNone(const Text& text) { return text.empty() ? nullptr : text.c_str(); }

// The process's current folder, or nothing when it does not fit MAX_PATH.
std::optional<Text> CurrentFolder()
{
    wchar_t folder[MAX_PATH];
    DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    return TextFromWide(std::wstring(folder, length));
}

}  // namespace

DWORD FileDialogFlags(const CommonDialog& dialog)
{
    DWORD flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING;
    if (dialog.CreatePrompt()) flags |= OFN_CREATEPROMPT;
    if (dialog.FileMustExist()) flags |= OFN_FILEMUSTEXIST;
    if (dialog.OverwritePrompt()) flags |= OFN_OVERWRITEPROMPT;
    if (dialog.PathMustExist()) flags |= OFN_PATHMUSTEXIST;
    if (dialog.KeepCurrentFolder()) flags |= OFN_NOCHANGEDIR;
    if (OpensSeveralFiles(dialog)) flags |= OFN_ALLOWMULTISELECT;
    return flags;
}

Text FilterList(const Text& filter)
{
    const std::size_t length = LengthWithoutTrailingBlanks(filter);
    Text list;
    list.reserve(length + 2);
    int closingBars = 0;  // how many of the last characters are single "|"
    ForEachCharacterStart(filter.data(), length, [&](std::size_t at) {
        std::size_t size = CharacterSize(filter.data(), length, at);
        if (size == 1 && filter[at] == '|') {
            list.push_back('\0');
            ++closingBars;
        } else {
            list.append(filter, at, size);
            closingBars = 0;
        }
        return true;
    });
    if (!list.empty() && closingBars < 2) list.append(2, '\0');
    return list;
}

DWORD FileDialogFilterIndex(const CommonDialog& dialog)
{
    if (FilterList(dialog.Filter()).empty()) return 0;
    return static_cast<DWORD>(dialog.FilterIndex()) + 1;
}

Text InitialFileBuffer(const Text& fileName)
{
    std::size_t kept = 0;
    ForEachCharacterStart(fileName.data(), fileName.size(), [&](std::size_t at) {
        std::size_t end = at + CharacterSize(fileName.data(), fileName.size(), at);
        if (end == at || end > MAX_PATH - 1) return false;
        kept = end;
        return true;
    });
    return fileName.substr(0, kept);
}

DWORD FileBufferSize(const CommonDialog& dialog)
{
    return OpensSeveralFiles(dialog) ? kMultipleFilesBufferSize : MAX_PATH;
}

std::vector<Text> ChosenFiles(const char* buffer, std::size_t size, std::size_t fileOffset)
{
    auto stringAt = [&](std::size_t at) { return Text(buffer + at, strnlen(buffer + at, size - at)); };
    if (size == 0) return {};
    const bool several = fileOffset > 0 && fileOffset < size && buffer[fileOffset - 1] == '\0';
    if (!several) {
        Text path = stringAt(0);
        if (path.empty()) return {};
        return {path};
    }
    const Text folder = stringAt(0);
    const Text separator = EndsWithSeparator(folder) ? "" : "\\";
    std::vector<Text> paths;
    for (std::size_t at = fileOffset; at < size && buffer[at] != '\0';) {
        Text name = stringAt(at);
        at += name.size() + 1;
        paths.push_back(folder + separator + name);
    }
    return paths;
}

Text FolderOfChosenFile(const Text& path)
{
    const std::size_t lastSeparator = LastSeparator(path);
    if (lastSeparator == Text::npos) return {};
    const bool driveRoot = lastSeparator == 2 && path[1] == ':';
    return path.substr(0, driveRoot ? 3 : lastSeparator);
}

bool ShowFileDialog(CommonDialog& dialog, HWND owner)
{
    const bool save = dialog.DialogKind() == CommonDialog::kSaveFile;
    if (!save && dialog.DialogKind() != CommonDialog::kOpenFile) return false;

    const Text filterList = FilterList(dialog.Filter());
    const Text initialName = InitialFileBuffer(dialog.FileName());
    std::vector<char> file(FileBufferSize(dialog));
    char fileTitle[kFileTitleBufferSize] = {};

    OPENFILENAMEA request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = TextOrNone(filterList);
    request.nFilterIndex = FileDialogFilterIndex(dialog);
    request.lpstrFileTitle = fileTitle;
    request.nMaxFileTitle = kFileTitleBufferSize;
    request.lpstrInitialDir = TextOrNone(dialog.InitialFolder());
    request.lpstrTitle = TextOrNone(dialog.DialogTitle());
    request.Flags = FileDialogFlags(dialog);
    request.lpstrDefExt = TextOrNone(dialog.DefaultExtension());

    // The platform moves the current folder as the user browses (Wine even
    // when the dialog is cancelled, and to the last folder shown rather than
    // the chosen file's), so the outcome is settled here: the chosen file's
    // folder, or the folder as it was when the dialog was cancelled or
    // KeepCurrentFolder is on.
    const std::optional<Text> folderBefore = CurrentFolder();
    FileDialogSeam& seam = CurrentFileDialogSeam();
    bool confirmed = false;
    for (;;) {
        std::fill(file.begin(), file.end(), '\0');
        std::memcpy(file.data(), initialName.data(), initialName.size());
        request.lpstrFile = file.data();
        request.nMaxFile = static_cast<DWORD>(file.size());
        request.nFileOffset = 0;
        confirmed = save ? seam.SaveFile(request) : seam.OpenFile(request);
        if (confirmed || seam.ExtendedError() != FNERR_BUFFERTOOSMALL || file.size() >= kMaxFileBufferSize) break;
        // The choice did not fit: the buffer's first two bytes say how much
        // it needs (cut to 16 bits for a long list), and the user is asked
        // again with a buffer that is larger.
        const std::size_t needed = static_cast<unsigned char>(file[0]) | static_cast<unsigned char>(file[1]) << 8;
        file.resize(std::min<std::size_t>(std::max(needed, file.size() * 2), kMaxFileBufferSize));
    }
    if (!confirmed || dialog.KeepCurrentFolder()) {
        if (folderBefore) SetCurrentDirectoryW(WideFromText(*folderBefore).c_str());
        if (!confirmed) return false;
    }
    dialog.SetFileNames(ChosenFiles(file.data(), file.size(), request.nFileOffset));
    if (!dialog.KeepCurrentFolder()) {
        const Text folder = FolderOfChosenFile(dialog.FileName());
        if (!folder.empty()) SetCurrentDirectoryW(WideFromText(folder).c_str());
    }
    return true;
}

bool ShowFolderDialog(CommonDialog& dialog, HWND owner)
{
    if (dialog.DialogKind() != CommonDialog::kOpenFile) return false;
    FolderDialogRequest request;
    request.owner = owner;
    request.title = dialog.DialogTitle().empty() ? Text(kFolderDialogTitle) : dialog.DialogTitle();
    const Text previous = FolderOfChosenFile(dialog.FileName());
    request.initialFolder = previous.empty() ? dialog.InitialFolder() : previous;

    const std::optional<Text> folderBefore = CurrentFolder();
    Text folder;
    const bool confirmed = CurrentFileDialogSeam().PickFolder(request, folder);
    if (!confirmed || dialog.KeepCurrentFolder()) {
        if (folderBefore) SetCurrentDirectoryW(WideFromText(*folderBefore).c_str());
        if (!confirmed) return false;
    }
    dialog.SetFileNames({folder});
    if (!dialog.KeepCurrentFolder()) {
        const Text holding = FolderOfChosenFile(folder);
        if (!holding.empty()) SetCurrentDirectoryW(WideFromText(holding).c_str());
    }
    return true;
}

}  // namespace dovrel
