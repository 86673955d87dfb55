#pragma once
// Creates native windows and controls from their stored units.

#include <windows.h>

#include "core/text/text.h"
#include "runtime/window_description.h"

namespace dovrel {

// The class of every top-level window the builder makes.
inline constexpr char kWindowClassName[] = "DovrelWindow";

// The window unit's style: caption and clip-children always; the system
// menu, sizing frame and boxes as its settings say; visible per its flags.
DWORD WindowStyleFor(const UnitDescription& window, const WindowSettings& settings);

// A control's style: child, plus visible / disabled / tab stop as its flags
// say, plus the type's own styles (ES_AUTOHSCROLL for the edit box;
// BS_PUSHBUTTON | BS_CENTER | BS_VCENTER for a button).
DWORD ControlStyleFor(const UnitDescription& control);

// Where a window of the given outer size goes: centred on the screen with
// integer division, or at its stored position when not centred.
POINT WindowPositionFor(const UnitDescription& window, const WindowSettings& settings, SIZE screen);

// Registers the window class once (button-face background, arrow cursor,
// the program icon) and creates the top-level window; the instance pointer
// reaches procedure through WM_NCCREATE's lpCreateParams.
HWND CreateTopLevelWindow(const UnitDescription& window, const WindowSettings& settings, HINSTANCE instance,
                          WNDPROC procedure, void* instancePointer);

// Creates a visual control as a child of parent with the given id, in the
// system's default GUI font.
HWND CreateControl(const UnitDescription& control, HWND parent, int id, HINSTANCE instance);

// Sets the icon resource "DEFAULT_ICON" as the window's large and small
// icon. False if the program has no such resource.
bool SetProgramIcon(HWND window, HINSTANCE instance);

// A window's text, through the wide calls: the program's texts reach
// Windows as UTF-16 (WideFromText), so they read the same under every
// system code page.
void SetWindowTextOf(HWND window, const Text& text);
Text WindowTextOf(HWND window);

}  // namespace dovrel
