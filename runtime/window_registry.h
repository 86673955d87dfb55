#pragma once
// The program's loaded windows: each window reference maps to the native
// handle of the window or control it names, registered while the window is
// built and unregistered when it is destroyed. User-interface thread only.

#include <windows.h>

#include "runtime/fatal_error.h"
#include "core/text/text.h"

namespace dovrel {

// A window is named by its identifier, a unit on it by the pair
// (window, unit); an empty unit names the window itself.
struct WindowReference {
    Text window;
    Text unit;
};
bool operator==(const WindowReference& a, const WindowReference& b);
bool operator<(const WindowReference& a, const WindowReference& b);

// Registers (or re-registers) the handle under the reference.
void RegisterWindow(const WindowReference& reference, HWND handle);
// Removes the registration if it still holds that handle.
void UnregisterWindow(const WindowReference& reference, HWND handle);

// The handle of a loaded window whose handle the platform still knows, or
// nullptr: for an owner that may be missing (ShowMessage falls back to no
// owner).
HWND FindWindowHandle(const WindowReference& reference);

// The same, but a window that is not loaded, or whose handle IsWindow no
// longer knows, is a fatal error reported at the caller's statement.
HWND WindowHandleOf(const WindowReference& reference, SourceLocation where = SourceLocation::Current());

// Registers for the lifetime of the object.
class ScopedWindowRegistration {
public:
    ScopedWindowRegistration(WindowReference reference, HWND handle);
    ~ScopedWindowRegistration();
    ScopedWindowRegistration(const ScopedWindowRegistration&) = delete;
    ScopedWindowRegistration& operator=(const ScopedWindowRegistration&) = delete;

private:
    WindowReference reference_;
    HWND handle_;  // not owned: the window belongs to whoever built it
};

}  // namespace dovrel
