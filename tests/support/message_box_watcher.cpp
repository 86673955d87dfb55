#include "tests/support/message_box_watcher.h"

#include <cstring>

namespace dovrel::test {

namespace {

constexpr int kMessageTextId = 0xFFFF;  // the text control of a message box

std::string WindowText(HWND window)
{
    char text[4096] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

BOOL CALLBACK FindBox(HWND window, LPARAM found)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (process == GetCurrentProcessId() && std::strcmp(className, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

struct Children {
    std::vector<HWND> buttons;
    HICON icon = nullptr;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM out)
{
    auto& children = *reinterpret_cast<Children*>(out);
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    if (_stricmp(className, "Button") == 0 && IsWindowVisible(child)) children.buttons.push_back(child);
    if (_stricmp(className, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child)) {
        children.icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    }
    return TRUE;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(int press, HWND probe)
    : press_(press), probe_(probe), thread_(CreateThread(nullptr, 0, Watch, this, 0, nullptr))
{
}

MessageBoxWatcher::~MessageBoxWatcher() { Seen(); }

const SeenMessageBox& MessageBoxWatcher::Seen()
{
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    return seen_;
}

DWORD WINAPI MessageBoxWatcher::Watch(void* self)
{
    auto& watcher = *static_cast<MessageBoxWatcher*>(self);
    HWND box = nullptr;
    for (int waited = 0; !box && waited < 10000; waited += 10) {
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
        if (!box) Sleep(10);
    }
    if (!box) return 0;
    Sleep(50);  // let the box finish its WM_INITDIALOG

    SeenMessageBox& seen = watcher.seen_;
    seen.found = true;
    seen.caption = WindowText(box);
    seen.text = WindowText(GetDlgItem(box, kMessageTextId));
    seen.owner = GetWindow(box, GW_OWNER);
    seen.topmost = (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (watcher.probe_) seen.probeEnabled = IsWindowEnabled(watcher.probe_) != FALSE;
    Children children;
    EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
    seen.icon = children.icon;
    HWND press = nullptr;
    for (HWND button : children.buttons) {
        seen.buttons.push_back(GetDlgCtrlID(button));
        if (GetDlgCtrlID(button) == watcher.press_) press = button;
    }
    if (!press && !children.buttons.empty()) press = children.buttons.front();
    if (press) SendMessageA(press, BM_CLICK, 0, 0);
    // A box that did not close must not hang the test run.
    for (int waited = 0; IsWindow(box) && waited < 5000; waited += 10) Sleep(10);
    if (IsWindow(box)) PostMessageA(box, WM_CLOSE, 0, 0);
    return 0;
}

}  // namespace dovrel::test
