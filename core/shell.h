#pragma once
// The platform services the program reaches: message box, its own folder,
// the user's special folders and the shell's verbs.

#include <windows.h>

#include <cstdint>
#include <optional>

#include "core/text.h"

namespace dovrel {

// MessageBoxA with the style buttons | MB_TASKMODAL (unless MB_SYSTEMMODAL
// is in buttons) and the caption "信息：" when none is given. Answers OK 0,
// Cancel 1, Abort 2, Retry 3, Ignore 4, Yes 5, No 6, anything else 0.
std::int32_t ShowMessage(const Text& message, std::int32_t buttons = 0, std::optional<Text> caption = std::nullopt,
                         HWND owner = nullptr);

// Records the folder of the running module (without a trailing "\") and
// makes it the current folder. Called once at start-up.
void InitProgramFolder();
Text ProgramFolder();  // as recorded; empty before InitProgramFolder

// 1 Documents, 2 Favorites, 3 desktop, 4 Fonts, 5 Start menu, 6 Programs,
// 7 Startup, 8 application data, 9 Windows, 10 system, 11 temporary.
// The path ends in "\"; empty for an unknown index or a failed call.
Text GetSpecialFolder(std::int32_t index);

// verb: 1 edit, 2 explore, 3 find, 4 open, 5 print, else none.
// show: 1 hide, 2 normal, 3 minimised, 4 maximised, 5 show-na, 6 minimise,
// else normal.
void ShellExecuteVerb(std::int32_t verb, const Text& file, std::optional<Text> parameters = std::nullopt,
                      std::optional<Text> folder = std::nullopt, std::optional<std::int32_t> show = std::nullopt);

}  // namespace dovrel
