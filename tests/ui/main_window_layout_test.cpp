#include "ui/main_window_layout.h"

#include <gtest/gtest.h>

namespace dovrel {
namespace {

struct LayoutRow {
    int dpi;
    RECT frame;  // at that DPI
    SIZE outer;
    RECT pathBox, browseButton, extractButton;
};

// A caption frame of 3 / 26 / 3 / 3 pixels at 96 DPI leaves a 277 x 35
// client area inside the stored 283 x 64.
constexpr RECT kFrame96{3, 26, 3, 3};

const LayoutRow kRows[] = {
    {96, kFrame96, {283, 64}, {5, 5, 181, 29}, {185, 5, 225, 29}, {229, 5, 269, 29}},
    {120, {3, 30, 3, 3}, {352, 77}, {6, 6, 226, 36}, {231, 6, 281, 36}, {286, 6, 336, 36}},
    {144, {4, 35, 4, 4}, {424, 92}, {8, 8, 272, 44}, {278, 8, 338, 44}, {344, 8, 404, 44}},
    {192, {5, 45, 5, 5}, {564, 120}, {10, 10, 362, 58}, {370, 10, 450, 58}, {458, 10, 538, 58}},
};

TEST(MainWindowLayout, ScalesEveryEdgeAndKeepsTheRowsGapsAndMargins)
{
    for (const LayoutRow& row : kRows) {
        SCOPED_TRACE(row.dpi);
        MainWindowLayout layout = LayoutMainWindow(row.dpi, kFrame96, row.frame);
        EXPECT_EQ(layout.outer.cx, row.outer.cx);
        EXPECT_EQ(layout.outer.cy, row.outer.cy);
        EXPECT_TRUE(EqualRect(&layout.pathBox, &row.pathBox));
        EXPECT_TRUE(EqualRect(&layout.browseButton, &row.browseButton));
        EXPECT_TRUE(EqualRect(&layout.extractButton, &row.extractButton));

        // One row, the 4-pixel gaps scaled, nothing overlapping, and the
        // right and bottom margins inside the client area.
        const int gap = MulDiv(4, row.dpi, 96);
        EXPECT_EQ(layout.browseButton.left - layout.pathBox.right, gap);
        EXPECT_EQ(layout.extractButton.left - layout.browseButton.right, gap);
        EXPECT_EQ(layout.browseButton.top, layout.pathBox.top);
        EXPECT_EQ(layout.extractButton.bottom, layout.pathBox.bottom);
        EXPECT_GE(layout.client.cx - layout.extractButton.right, layout.pathBox.left);
        EXPECT_GE(layout.client.cy - layout.pathBox.bottom, layout.pathBox.top);
        EXPECT_EQ(layout.outer.cx, layout.client.cx + row.frame.left + row.frame.right);
    }
}

}  // namespace
}  // namespace dovrel
