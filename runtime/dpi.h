#pragma once
// The DPI a window is drawn at, its frame and the system's message font for
// that DPI. The per-monitor calls exist from Windows 10 on: they are looked
// up at run time, so the program still starts on Windows 7, where the
// screen's DPI and the system metrics stand in.

#include <windows.h>

#include "core/base/unique_handle.h"

namespace dovrel {

inline constexpr int kDesignDpi = 96;

// A length designed at 96 DPI, at dpi (rounded to the nearest pixel).
inline int ScaleForDpi(int value96, int dpi) { return MulDiv(value96, dpi, kDesignDpi); }

// GetDpiForWindow where it exists, else the screen's DPI.
int DpiOfWindow(HWND window);

// How far the frame of a window with these styles reaches beyond its client
// area at dpi, each side as a positive thickness.
RECT FrameAtDpi(DWORD style, DWORD exStyle, int dpi);

// The system's message font (NONCLIENTMETRICS::lfMessageFont) made for
// dpi; the stock GUI font's face when the metrics cannot be read.
UniqueGdiObject CreateMessageFont(int dpi);

}  // namespace dovrel
