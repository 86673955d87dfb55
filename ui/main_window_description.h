#pragma once
// MainWindow as stored: a 283 x 64 strip with the path box and the two
// buttons, carrying the open-file dialog, the zip component and the drop
// target.

#include <array>

#include "runtime/window_description.h"

namespace dovrel::main_window {

// Units in their stored order. The builder creates the window first, then
// the others from the last back to the second.
enum Unit : std::size_t {
    kWindow,
    kDropTarget,
    kBrowseButton,
    kZip,
    kExtractButton,
    kPathBox,
    kOpenFileDialog,
    kUnitCount
};

enum Handler : int { kOnWindowCreated, kOnWindowDestroying, kOnBrowseClicked, kOnExtractClicked, kOnFilesDropped };

extern const std::array<UnitDescription, kUnitCount> kUnits;
extern const WindowSettings kWindowSettings;
extern const std::array<EventBinding, 5> kBindings;

// The dialog's filter and the drop target's stored switches.
extern const char kOfficeFilter[];
// The two items of 浏览's menu.
extern const char kBrowseFilesItem[];
extern const char kBrowseFolderItem[];

}  // namespace dovrel::main_window
