#pragma once
// How a window procedure finds the object it belongs to: the pointer given
// to CreateWindowEx as lpParam is kept in the window's GWLP_USERDATA at
// WM_NCCREATE and read back at every later message. At WM_NCDESTROY, the
// window's last message, the slot is cleared once it has been read, so
// nothing reaches the object after its window is gone. Messages before
// WM_NCCREATE (WM_GETMINMAXINFO) find no object.

#include <windows.h>

namespace dovrel {

template <typename Object>
Object* WindowInstance(HWND window, UINT message, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* object = static_cast<Object*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
        return object;
    }
    auto* object = reinterpret_cast<Object*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return object;
}

}  // namespace dovrel
