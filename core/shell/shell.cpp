#include "core/shell/shell.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstddef>
#include <utility>
#include <vector>

#include "core/text/text_encoding.h"
#include "core/text/path_separator.h"

namespace dovrel {

namespace {

Text programFolder;

// Calls get(buffer, size) with a MAX_PATH buffer, and once more with the
// size it asks for when the path does not fit. Empty on failure.
template <typename Get>
Text PathFromSizedCall(Get get)
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD length = get(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return Text();
        if (length < buffer.size()) return TextFromWide(std::wstring(buffer.data(), length));
        buffer.resize(length + 1);
    }
    return Text();
}

}  // namespace

UINT MessageBoxStyle(std::int32_t buttons)
{
    UINT style = static_cast<UINT>(buttons);
    return (style & MB_SYSTEMMODAL) ? style : style | MB_TASKMODAL;
}

Text MessageBoxCaption(const std::optional<Text>& caption) { return caption ? *caption : Text("信息："); }

std::int32_t ButtonCodeOf(int pressed)
{
    switch (pressed) {
    case IDCANCEL: return 1;
    case IDABORT: return 2;
    case IDRETRY: return 3;
    case IDIGNORE: return 4;
    case IDYES: return 5;
    case IDNO: return 6;
    default: return 0;  // IDOK, a failed box and any other button
    }
}

std::int32_t ShowMessage(const Text& message, std::int32_t buttons, std::optional<Text> caption, HWND owner)
{
    if (owner && !IsWindow(owner)) owner = nullptr;
    int pressed = MessageBoxW(owner, WideFromText(message).c_str(), WideFromText(MessageBoxCaption(caption)).c_str(),
                              MessageBoxStyle(buttons));
    return ButtonCodeOf(pressed);
}

std::int32_t ShowMessage(std::int32_t message, std::int32_t buttons, std::optional<Text> caption, HWND owner)
{
    return ShowMessage(ToText(message), buttons, std::move(caption), owner);
}

Text FolderOfModulePath(const Text& modulePath)
{
    std::int32_t slash = FindLastText(modulePath, "\\");
    return slash > 0 ? LeftText(modulePath, slash - 1) : Text();
}

void InitProgramFolder()
{
    // A module path of MAX_PATH bytes or more is not cut short: a cut path
    // would name some other folder.
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD length = 0;
    for (;;) {
        length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size() || buffer.size() >= 32768) break;
        buffer.resize(buffer.size() * 2);
    }
    programFolder = FolderOfModulePath(TextFromWide(std::wstring(buffer.data(), length < buffer.size() ? length : 0)));
    SetCurrentDirectoryW(WideFromText(programFolder).c_str());
}

Text ProgramFolder() { return programFolder; }

SpecialFolderSource SpecialFolderSourceOf(std::int32_t index)
{
    using S = SpecialFolderSource;
    switch (index) {
    case 1: return {S::ShellFolder, CSIDL_PERSONAL};
    case 2: return {S::ShellFolder, CSIDL_FAVORITES};
    case 3: return {S::ShellFolder, CSIDL_DESKTOPDIRECTORY};
    case 4: return {S::ShellFolder, CSIDL_FONTS};
    case 5: return {S::ShellFolder, CSIDL_STARTMENU};
    case 6: return {S::ShellFolder, CSIDL_PROGRAMS};
    case 7: return {S::ShellFolder, CSIDL_STARTUP};
    case 8: return {S::ShellFolder, CSIDL_APPDATA};
    case 9: return {S::WindowsDirectory, 0};
    case 10: return {S::SystemDirectory, 0};
    case 11: return {S::TempPath, 0};
    default: return {S::None, 0};
    }
}

Text WithTrailingBackslash(const Text& path) { return path.empty() || EndsWithSeparator(path) ? path : path + "\\"; }

Text GetSpecialFolder(std::int32_t index)
{
    const SpecialFolderSource source = SpecialFolderSourceOf(index);
    Text path;
    switch (source.kind) {
    case SpecialFolderSource::None: return Text();
    case SpecialFolderSource::ShellFolder: {
        wchar_t buffer[MAX_PATH] = {};
        if (!SHGetSpecialFolderPathW(nullptr, buffer, source.csidl, FALSE)) return Text();
        path = TextFromWide(buffer);
        break;
    }
    case SpecialFolderSource::WindowsDirectory:
        path = PathFromSizedCall([](wchar_t* b, DWORD n) { return static_cast<DWORD>(GetWindowsDirectoryW(b, n)); });
        break;
    case SpecialFolderSource::SystemDirectory:
        path = PathFromSizedCall([](wchar_t* b, DWORD n) { return static_cast<DWORD>(GetSystemDirectoryW(b, n)); });
        break;
    case SpecialFolderSource::TempPath:
        path = PathFromSizedCall([](wchar_t* b, DWORD n) { return GetTempPathW(n, b); });
        break;
    }
    return WithTrailingBackslash(path);
}

const char* ShellOperationOf(std::int32_t verb)
{
    switch (verb) {
    case 1: return "edit";
    case 2: return "explore";
    case 3: return "find";
    case 4: return "open";
    case 5: return "print";
    default: return nullptr;
    }
}

int ShowCommandOf(std::optional<std::int32_t> show)
{
    switch (show.value_or(0)) {
    case 1: return SW_HIDE;
    case 3: return SW_SHOWMINIMIZED;
    case 4: return SW_SHOWMAXIMIZED;
    case 5: return SW_SHOWNA;
    case 6: return SW_MINIMIZE;
    default: return SW_SHOWNORMAL;  // 2, omitted or out of range
    }
}

ShellExecuteCall ShellExecuteCallOf(std::int32_t verb, const Text& file, const std::optional<Text>& parameters,
                                    const std::optional<Text>& folder, std::optional<std::int32_t> show)
{
    return {ShellOperationOf(verb), file, parameters, folder.value_or(Text()), ShowCommandOf(show)};
}

void ShellExecuteVerb(std::int32_t verb, const Text& file, std::optional<Text> parameters, std::optional<Text> folder,
                      std::optional<std::int32_t> show)
{
    const ShellExecuteCall call = ShellExecuteCallOf(verb, file, parameters, folder, show);
    // The result is dropped: a failed open is not reported.
    const std::wstring operation = call.operation ? WideFromText(call.operation) : std::wstring();
    const std::wstring wideParameters = call.parameters ? WideFromText(*call.parameters) : std::wstring();
    ShellExecuteW(nullptr, call.operation ? operation.c_str() : nullptr, WideFromText(call.file).c_str(),
                  call.parameters ? wideParameters.c_str() : nullptr, WideFromText(call.folder).c_str(),
                  call.showCommand);
}

}  // namespace dovrel
