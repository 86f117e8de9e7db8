// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "editor/result_pan.h"

namespace grimora {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(ResultPan, DragScrollsByTheMotionWithinTheRanges) {
    struct Row {
        const char* name;
        int32_t startX, startY, x, y;
        ScrollAxis h, v;
        ScrollPositions expected;
    };
    const ScrollAxis h0{0, 1000};
    const ScrollAxis v0{0, 800};
    const std::vector<Row> rows = {
        {"ten left shows ten more on the right", 100, 50, 90, 50, h0, v0, {10, 0}},
        {"up and left", 100, 50, 130, 80, {40, 1000}, {50, 800}, {10, 20}},
        {"stops at the left and top edges", 100, 50, 150, 90, {20, 1000}, {30, 800}, {0, 0}},
        {"stops at range - 1", 100, 50, 0, 0, {950, 1000}, {790, 800}, {999, 799}},
        {"no motion", 7, 7, 7, 7, {300, 1000}, {200, 800}, {300, 200}},
        {"far motion does not wrap", kMax, kMin, kMin, kMax, {kMax, kMax}, {0, 800}, {kMax - 1, 0}},
    };
    for (const Row& row : rows) {
        ResultPan pan;
        pan.press(row.startX, row.startY);
        EXPECT_EQ(pan.drag(row.x, row.y, row.h, row.v), row.expected) << row.name;
    }
}

TEST(ResultPan, OnlyAPressStartsADragAndAReleaseEndsIt) {
    ResultPan pan;
    EXPECT_FALSE(pan.drag(5, 5, {0, 1000}, {0, 800}));
    pan.press(20, 30);
    EXPECT_TRUE(pan.panning());
    EXPECT_EQ(pan.startX(), 20);
    EXPECT_EQ(pan.startY(), 30);
    EXPECT_TRUE(pan.drag(5, 5, {0, 1000}, {0, 800}));
    pan.release();
    EXPECT_FALSE(pan.drag(5, 5, {0, 1000}, {0, 800}));
}

}  // namespace
}  // namespace grimora
