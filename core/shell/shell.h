#pragma once
// The platform services the program reaches: message box, its own folder,
// the user's special folders and the shell's verbs. The table logic of each
// is a plain function beside it, so it can be checked without the platform.

#include <windows.h>

#include <cstdint>
#include <optional>

#include "core/text/text.h"

namespace dovrel {

// MessageBoxA with the style buttons | MB_TASKMODAL (unless MB_SYSTEMMODAL
// is in buttons) and the caption "信息：" when none is given. Answers OK 0,
// Cancel 1, Abort 2, Retry 3, Ignore 4, Yes 5, No 6, anything else 0.
// An owner that is no longer a window is replaced by no owner, so the box
// is still shown.
std::int32_t ShowMessage(const Text& message, std::int32_t buttons = 0, std::optional<Text> caption = std::nullopt,
                         HWND owner = nullptr);
// The message in its ToText form.
std::int32_t ShowMessage(std::int32_t message, std::int32_t buttons = 0, std::optional<Text> caption = std::nullopt,
                         HWND owner = nullptr);

UINT MessageBoxStyle(std::int32_t buttons);
Text MessageBoxCaption(const std::optional<Text>& caption);
std::int32_t ButtonCodeOf(int pressed);  // MessageBoxA's IDOK..IDNO -> 0..6

// Records the folder of the running module (without a trailing "\") and
// makes it the current folder. Called once at start-up.
void InitProgramFolder();
Text ProgramFolder();  // as recorded; empty before InitProgramFolder
// The folder part of a module path: cut at its last "\" (double-byte
// aware); empty when there is none.
Text FolderOfModulePath(const Text& modulePath);

// 1 Documents, 2 Favorites, 3 desktop, 4 Fonts, 5 Start menu, 6 Programs,
// 7 Startup, 8 application data, 9 Windows, 10 system, 11 temporary.
// The path ends in "\"; empty for an unknown index or a failed call.
Text GetSpecialFolder(std::int32_t index);

struct SpecialFolderSource {
    enum Kind { None, ShellFolder, WindowsDirectory, SystemDirectory, TempPath } kind;
    int csidl;  // for ShellFolder
};
SpecialFolderSource SpecialFolderSourceOf(std::int32_t index);
// path + "\" unless it is empty or its last character (by the double-byte
// rule) already is "\".
Text WithTrailingBackslash(const Text& path);

// verb: 1 edit, 2 explore, 3 find, 4 open, 5 print, else none.
// show: 1 hide, 2 normal, 3 minimised, 4 maximised, 5 show-na, 6 minimise,
// else normal.
void ShellExecuteVerb(std::int32_t verb, const Text& file, std::optional<Text> parameters = std::nullopt,
                      std::optional<Text> folder = std::nullopt, std::optional<std::int32_t> show = std::nullopt);

const char* ShellOperationOf(std::int32_t verb);  // nullptr: the file's default verb
int ShowCommandOf(std::optional<std::int32_t> show);

// The arguments ShellExecuteVerb hands to ShellExecuteA (no owner window).
struct ShellExecuteCall {
    const char* operation;  // nullptr: none
    Text file;
    std::optional<Text> parameters;  // nullopt: none
    Text folder;                     // empty: the current folder
    int showCommand;
};
ShellExecuteCall ShellExecuteCallOf(std::int32_t verb, const Text& file, const std::optional<Text>& parameters,
                                    const std::optional<Text>& folder, std::optional<std::int32_t> show);

}  // namespace dovrel
