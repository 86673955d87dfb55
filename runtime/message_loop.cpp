#include "runtime/message_loop.h"

namespace dovrel {

int RunMessageLoop(HWND dialogWindow)
{
    MSG message;
    for (;;) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got == -1) return -1;
        if (IsWindow(dialogWindow) && IsDialogMessageA(dialogWindow, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool PumpPendingMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

}  // namespace dovrel
