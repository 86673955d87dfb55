#pragma once
// Drives a real OLE drag and drop as a person would: a small source window
// of its own appears at `from` (on a thread of its own, which owns the
// foreground window), synthetic mouse input presses the left button on it,
// its WM_LBUTTONDOWN starts DoDragDrop, the pointer moves to `to` and the
// button is released there. The target may be a window of this process
// (the calling thread keeps pumping its messages meanwhile) or of another.
// Every wait has a timeout; a drag that does not end is cancelled.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace dovrel::test {

struct DragRequest {
    std::vector<std::pair<CLIPFORMAT, std::string>> formats;  // offered as global blocks
    POINT from{};                                             // screen point where the source window is pressed
    POINT to{};                                               // screen point where the button is released
    DWORD allowedEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    bool holdControl = false;  // held from before the press until after the release
    bool holdShift = false;
    DWORD timeoutMs = 10000;  // for each stage
};

struct DragOutcome {
    bool sourceReady = false;             // the source window was up at `from`
    bool dragStarted = false;             // its WM_LBUTTONDOWN called DoDragDrop
    bool dragEnded = false;               // DoDragDrop returned (after a release or a cancel)
    bool cancelled = false;               // the drag overran its time and was cancelled
    HRESULT result = E_PENDING;           // DoDragDrop's answer
    DWORD effect = DROPEFFECT_NONE;       // DoDragDrop's final effect
    DWORD shownEffect = DROPEFFECT_NONE;  // the target's last answer while dragging, as the cursor showed it
    std::string failure;                  // empty when the drag ended on its own
};

DragOutcome DragData(const DragRequest& request);

// The paths as CF_HDROP (code page 936 paths).
DragOutcome DragFiles(const std::vector<std::string>& paths, POINT from, POINT to,
                      DWORD allowedEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);

}  // namespace dovrel::test
