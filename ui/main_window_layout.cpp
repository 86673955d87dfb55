#include "ui/main_window_layout.h"

#include "runtime/dpi.h"
#include "ui/main_window_description.h"

namespace dovrel {

namespace {

RECT ScaledRect(const UnitDescription& unit, int dpi)
{
    return {ScaleForDpi(unit.left, dpi), ScaleForDpi(unit.top, dpi), ScaleForDpi(unit.left + unit.width, dpi),
            ScaleForDpi(unit.top + unit.height, dpi)};
}

}  // namespace

MainWindowLayout LayoutMainWindow(int dpi, const RECT& frame96, const RECT& frame)
{
    using namespace main_window;
    const UnitDescription& window = kUnits[kWindow];
    MainWindowLayout layout{};
    layout.client = {ScaleForDpi(window.width - frame96.left - frame96.right, dpi),
                     ScaleForDpi(window.height - frame96.top - frame96.bottom, dpi)};
    layout.outer = {layout.client.cx + frame.left + frame.right, layout.client.cy + frame.top + frame.bottom};
    layout.pathBox = ScaledRect(kUnits[kPathBox], dpi);
    layout.browseButton = ScaledRect(kUnits[kBrowseButton], dpi);
    layout.extractButton = ScaledRect(kUnits[kExtractButton], dpi);
    return layout;
}

}  // namespace dovrel
