#pragma once
// The main window's sizes and positions at a DPI. The description holds
// them in pixels at 96 DPI, the window's size as its outer size: the client
// area keeps what that outer size leaves inside the frame at 96 DPI, scaled,
// and the frame at the window's DPI is added around it.

#include <windows.h>

namespace dovrel {

struct MainWindowLayout {
    SIZE outer;  // frame included
    SIZE client;
    // Client coordinates. Each edge is scaled on its own, so neighbours keep
    // a scaled gap and never overlap through rounding.
    RECT pathBox, browseButton, extractButton;
};

// frame96 and frame: the frame's thickness on each side at 96 DPI and at
// dpi (FrameAtDpi).
MainWindowLayout LayoutMainWindow(int dpi, const RECT& frame96, const RECT& frame);

}  // namespace dovrel
