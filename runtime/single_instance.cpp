#include "runtime/single_instance.h"

namespace dovrel {

SingleInstance::SingleInstance(const char* mutexName) : mutex_(CreateMutexA(nullptr, TRUE, mutexName))
{
    first_ = !mutex_ || GetLastError() != ERROR_ALREADY_EXISTS;
}

bool BringRunningCopyToFront(const char* windowClass, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    HWND window = nullptr;
    while (!(window = FindWindowA(windowClass, nullptr))) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    // A message box or the open dialog the copy shows is what it waits on.
    SetForegroundWindow(GetLastActivePopup(window));
    return true;
}

}  // namespace dovrel
