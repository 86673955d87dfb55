#pragma once
// Watches for the next message box of this process from a thread of its
// own, records what it shows and presses one of its buttons, so a test can
// call the real MessageBoxA and still end on its own.

#include <windows.h>

#include <string>
#include <vector>

namespace dovrel::test {

struct SeenMessageBox {
    bool found = false;
    std::string caption;
    std::string text;
    std::vector<int> buttons;  // control identifiers (IDOK...), in window order
    HICON icon = nullptr;      // the icon shown, or nullptr
    HWND owner = nullptr;
    bool topmost = false;
    bool probeEnabled = true;  // whether the probe window was enabled while the box was up
};

class MessageBoxWatcher {
public:
    // press: the button to press (falls back to the box's first button).
    // probe: a window whose enabled state is read while the box is up.
    explicit MessageBoxWatcher(int press = IDOK, HWND probe = nullptr);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // Waits for the watcher to finish: a box seen and closed, or 10 s gone.
    const SeenMessageBox& Seen();

private:
    static DWORD WINAPI Watch(void* self);

    int press_;
    HWND probe_;
    SeenMessageBox seen_;
    HANDLE thread_;
};

}  // namespace dovrel::test
