#include "runtime/message_loop.h"

namespace dovrel {

int RunMessageLoop(HWND dialogWindow)
{
    MSG message;
    for (;;) {
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got == -1) return -1;
        if (IsWindow(dialogWindow) && IsDialogMessageW(dialogWindow, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool PumpPendingMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

}  // namespace dovrel
