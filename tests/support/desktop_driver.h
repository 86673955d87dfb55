#pragma once
// Drives another process's windows from outside, as a person would: finds
// its windows, clicks with the real mouse (SendInput), reads texts, and
// saves a screenshot. Every wait has a deadline, so a test never hangs.

#include <windows.h>

#include <string>

namespace dovrel::test {

// A visible top-level window of the process whose class (when not empty)
// and caption (when not empty) match; polls until the deadline.
HWND WaitForTopLevelWindow(DWORD processId, const std::string& className, const std::string& caption,
                           DWORD timeoutMs = 10000);
// Whether the process still has a visible top-level window of that class.
bool HasTopLevelWindow(DWORD processId, const std::string& className);

std::string WindowText(HWND window);
std::string ClassNameOf(HWND window);
// The first child (at any depth) of the class, or with the control id.
HWND FindChildByClass(HWND parent, const std::string& className);
HWND FindChildById(HWND parent, int id);

// Brings window to the front, moves the pointer to the centre of control
// (or of the window itself) and clicks the left button.
void ClickWithMouse(HWND window);
// Moves the pointer to a screen point, in absolute coordinates.
void MovePointer(POINT screen);

// Presses and releases a key on the real keyboard (SendInput), with Shift
// held when asked: it goes to whatever window has the focus.
void PressKey(WORD virtualKey, bool shift = false);
// The window that has the keyboard focus on window's thread, or nullptr.
HWND FocusOf(HWND window);

// Polls predicate every 20 ms until it holds or the deadline passes.
template <typename Predicate>
bool WaitUntil(Predicate predicate, DWORD timeoutMs = 10000)
{
    DWORD start = GetTickCount();
    while (!predicate()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

// Saves what the screen shows of window (frame included) as a 24-bit BMP.
bool SaveWindowScreenshot(HWND window, const std::string& bmpPath);

}  // namespace dovrel::test
