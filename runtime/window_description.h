#pragma once
// The stored form of a window: the window unit first, then one unit per
// control or component, with the event bindings that route each event to
// its handler. A builder (ui/window_builder.h) walks it; tests read it
// without creating anything.

#include <cstddef>
#include <string_view>

namespace dovrel {

enum class UnitType { Window, EditBox, Button, CommonDialog, Zip, DropTarget };

// A unit's visible, disabled and tab-stop settings, packed as stored.
namespace unit_flags {
constexpr unsigned kVisible = 1;
constexpr unsigned kDisabled = 2;
constexpr unsigned kTabStop = 4;
// A button with a drop-down arrow beside its caption (a split button): a
// click on the caption is its click, the arrow offers more.
constexpr unsigned kDropDown = 8;
}  // namespace unit_flags

struct UnitDescription {
    UnitType type;
    std::string_view name;         // empty for the window unit
    int left, top, width, height;  // the window: outer size; controls: client coordinates
    unsigned flags;
    std::string_view caption;     // caption or content; empty for none
    std::string_view designData;  // a component's stored settings; empty for none
};

// The window unit's own settings.
struct WindowSettings {
    int border;       // 2: fixed single, no sizing frame
    bool controlBox;  // system menu and close button
    bool maximizeButton;
    bool minimizeButton;
    int startPosition;  // 1: centred on the screen
    bool movable;
    bool alwaysOnTop;
};

// Whatever a window's handlers are, a binding names one by its position in
// the window's own handler list.
struct EventBinding {
    std::size_t unit;  // index into the unit table; 0 is the window
    int event;         // event index within the unit's type
    int handler;
};

// Event indices of the unit types.
namespace window_events {
constexpr int kCreated = 0;
constexpr int kCloseQuery = 1;
constexpr int kDestroying = 2;
constexpr int kAfterCreated1 = 3;
constexpr int kAfterCreated2 = 4;
constexpr int kShown = 10;
constexpr int kHidden = 11;
constexpr int kClosing = 12;
}  // namespace window_events
namespace button_events {
constexpr int kClicked = 0;
}
namespace drop_target_events {
constexpr int kTextDropped = 0;
constexpr int kHtmlDropped = 1;
constexpr int kUrlDropped = 2;
constexpr int kFilesDropped = 3;
}  // namespace drop_target_events

}  // namespace dovrel
