// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "editor/progress_state.h"

namespace grimora {
namespace {

using Kind = ProgressPaint::Kind;

TEST(ProgressBar, RightEdgeTruncatesAndStaysInItsPanel) {
    struct Row {
        PanelRect panel;
        int32_t percent;
        int32_t right;
    };
    const PanelRect wide{250, 2, 600, 18};
    const std::vector<Row> rows = {
        {wide, 50, 425},  // 250 + 350 * 50 div 100
        {wide, 0, 250},
        {wide, 100, 600},
        {wide, 33, 365},  // 115.5 truncated
        {{0, 0, 7, 1}, 99, 6},
        {wide, 250, 600},  // beyond 100: held at the panel's end
        {wide, -40, 250},
        {wide, std::numeric_limits<int32_t>::max(), 600},
        {{0, 0, 16777215, 19}, 99, 16609442},  // the product would not fit in 32 bits
    };
    for (const Row& row : rows) {
        EXPECT_EQ(BarRight(row.panel, row.percent), row.right)
            << row.panel.left << ".." << row.panel.right << " at " << row.percent;
    }
    EXPECT_EQ(BarRect(wide, 50), (PanelRect{250, 2, 425, 18}));
    EXPECT_TRUE(BarRect(wide, 0).empty());
}

// A run as the callers make it, with what each value asks to be painted.
TEST(ProgressState, RisingValuesPaintOnlyTheirStripAndFallingOnesTheWholeBar) {
    struct Step {
        int32_t value;
        ProgressPaint paint;
    };
    const PanelRect panel{250, 2, 600, 18};
    ProgressState state;
    // Before the panel has been drawn there is nowhere to paint a rise.
    EXPECT_EQ(state.set(5).kind, Kind::None);
    EXPECT_EQ(state.drawPanel(panel), (PanelRect{250, 2, 267, 18}));

    const std::vector<Step> steps = {
        {10, {Kind::Grow, {267, 2, 285, 18}}},
        {20, {Kind::Grow, {285, 2, 320, 18}}},
        {30, {Kind::Grow, {320, 2, 355, 18}}},
        {30, {}},  // equal: nothing changes
        {80, {Kind::Grow, {355, 2, 530, 18}}},
        {30, {Kind::Whole, panel}},
        {0, {Kind::Whole, panel}},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(state.set(step.value), step.paint) << "value " << step.value;
        EXPECT_EQ(state.percent(), step.value);
        if (step.paint.kind == Kind::Whole) {
            state.drawPanel(panel);  // what the repaint does
        }
        EXPECT_EQ(state.shownRight(), BarRight(panel, step.value));
    }
}

TEST(ProgressState, ValuesThatMoveNoPixelPaintNothingButAreKept) {
    const PanelRect narrow{0, 0, 50, 19};  // two percent a pixel
    ProgressState state;
    state.drawPanel(narrow);
    EXPECT_EQ(state.set(10).kind, Kind::Grow);
    EXPECT_EQ(state.set(11).kind, Kind::None);
    EXPECT_EQ(state.percent(), 11);
    EXPECT_EQ(state.set(10).kind, Kind::None);  // falling, same pixels
    EXPECT_EQ(state.percent(), 10);
    EXPECT_EQ(state.set(12), (ProgressPaint{Kind::Grow, {5, 0, 6, 19}}));
    EXPECT_EQ(state.paintMore().kind, Kind::None);  // already shown
}

}  // namespace
}  // namespace grimora
