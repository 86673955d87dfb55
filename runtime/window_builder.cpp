#include "runtime/window_builder.h"

#include <commctrl.h>

#include <string>

#include "core/text/text_encoding.h"

namespace dovrel {

namespace {

const char* PlatformClassFor(UnitType type)
{
    switch (type) {
    case UnitType::EditBox: return "EDIT";
    case UnitType::Button: return "BUTTON";
    default: return nullptr;
    }
}

HICON LoadProgramIcon(HINSTANCE instance, int metricX, int metricY)
{
    return static_cast<HICON>(LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, GetSystemMetrics(metricX),
                                         GetSystemMetrics(metricY), LR_DEFAULTCOLOR | LR_SHARED));
}

}  // namespace

DWORD WindowStyleFor(const UnitDescription& window, const WindowSettings& settings)
{
    DWORD style = WS_CAPTION | WS_CLIPCHILDREN;
    if (settings.controlBox) style |= WS_SYSMENU;
    if (settings.border != 2) style |= WS_THICKFRAME;
    if (settings.maximizeButton) style |= WS_MAXIMIZEBOX;
    if (settings.minimizeButton) style |= WS_MINIMIZEBOX;
    if (window.flags & unit_flags::kVisible) style |= WS_VISIBLE;
    if (window.flags & unit_flags::kDisabled) style |= WS_DISABLED;
    return style;
}

DWORD ControlStyleFor(const UnitDescription& control)
{
    DWORD style = WS_CHILD;
    if (control.flags & unit_flags::kVisible) style |= WS_VISIBLE;
    if (control.flags & unit_flags::kDisabled) style |= WS_DISABLED;
    if (control.flags & unit_flags::kTabStop) style |= WS_TABSTOP;
    switch (control.type) {
    case UnitType::EditBox: style |= ES_LEFT | ES_AUTOHSCROLL; break;
    case UnitType::Button:
        style |= ((control.flags & unit_flags::kDropDown) ? BS_SPLITBUTTON : BS_PUSHBUTTON) | BS_CENTER | BS_VCENTER;
        break;
    default: break;
    }
    return style;
}

POINT WindowPositionFor(const UnitDescription& window, const WindowSettings& settings, SIZE screen)
{
    if (settings.startPosition != 1) return {window.left, window.top};
    return {(screen.cx - window.width) / 2, (screen.cy - window.height) / 2};
}

HWND CreateTopLevelWindow(const UnitDescription& window, const WindowSettings& settings, HINSTANCE instance,
                          WNDPROC procedure, void* instancePointer)
{
    const std::wstring className = WideFromText(kWindowClassName);
    // A wide window class: its windows and its messages carry UTF-16.
    WNDCLASSEXW windowClass{};
    if (!GetClassInfoExW(instance, className.c_str(), &windowClass)) {
        windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.hIcon = LoadProgramIcon(instance, SM_CXICON, SM_CYICON);
        windowClass.hIconSm = LoadProgramIcon(instance, SM_CXSMICON, SM_CYSMICON);
        windowClass.lpszClassName = className.c_str();
        if (!RegisterClassExW(&windowClass)) return nullptr;
    }
    POINT at = WindowPositionFor(window, settings, {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    DWORD exStyle = settings.alwaysOnTop ? WS_EX_TOPMOST : 0;
    HWND created = CreateWindowExW(exStyle, className.c_str(), WideFromText(Text(window.caption)).c_str(),
                                   WindowStyleFor(window, settings), at.x, at.y, window.width, window.height, nullptr,
                                   nullptr, instance, instancePointer);
    if (created && !settings.movable) DeleteMenu(GetSystemMenu(created, FALSE), SC_MOVE, MF_BYCOMMAND);
    return created;
}

HWND CreateControl(const UnitDescription& control, HWND parent, int id, HINSTANCE instance)
{
    const char* platformClass = PlatformClassFor(control.type);
    if (!platformClass) return nullptr;
    DWORD exStyle = control.type == UnitType::EditBox ? WS_EX_CLIENTEDGE : 0;
    HWND created =
        CreateWindowExW(exStyle, WideFromText(platformClass).c_str(), WideFromText(Text(control.caption)).c_str(),
                        ControlStyleFor(control), control.left, control.top, control.width, control.height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (created) SendMessageA(created, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return created;
}

bool SetProgramIcon(HWND window, HINSTANCE instance)
{
    HICON large = LoadProgramIcon(instance, SM_CXICON, SM_CYICON);
    HICON small = LoadProgramIcon(instance, SM_CXSMICON, SM_CYSMICON);
    if (!large || !small) return false;
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    return true;
}

void SetWindowTextOf(HWND window, const Text& text) { SetWindowTextW(window, WideFromText(text).c_str()); }

Text WindowTextOf(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return TextFromWide(text);
}

}  // namespace dovrel
