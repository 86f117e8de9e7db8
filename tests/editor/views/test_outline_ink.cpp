// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "editor/views/outline_ink.h"

namespace grimora {
namespace {

using Pixels = std::set<std::pair<int32_t, int32_t>>;  // (x, y)

constexpr PixelArea kEverywhere{-100000, -100000, 100000, 100000};

Pixels pixelsOf(const std::vector<PixelRun>& runs) {
    Pixels pixels;
    for (const PixelRun& run : runs) {
        for (int32_t x = run.x0; x < run.x1; ++x) {
            EXPECT_TRUE(pixels.insert({x, run.y}).second)
                << "pixel " << x << "," << run.y << " twice";
        }
    }
    return pixels;
}

TEST(OutlineRuns, EllipsesAreClosedSymmetricAndTouchTheirBox) {
    const std::vector<OutlineRect> rects = {
        {10, 20, 110, 120},  // circle, radius 50
        {-30, -5, 31, 6},    // wide and flat, odd width
        {0, 0, 3, 40},       // narrow and tall
        {5, 5, 6, 6},        // one pixel
        {0, 0, 600, 600},    // radius 300 at zoom 1
    };
    for (const OutlineRect& r : rects) {
        SCOPED_TRACE(testing::Message()
                     << r.left << "," << r.top << "," << r.right << "," << r.bottom);
        const Pixels pixels = pixelsOf(OutlineRuns(r, kEverywhere));
        ASSERT_FALSE(pixels.empty());
        int32_t minX = INT32_MAX, maxX = INT32_MIN, minY = INT32_MAX, maxY = INT32_MIN;
        for (const auto& [x, y] : pixels) {
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
            EXPECT_TRUE(pixels.count({r.left + r.right - 1 - x, y})) << "mirror of " << x;
            EXPECT_TRUE(pixels.count({x, r.top + r.bottom - 1 - y})) << "mirror of " << y;
            // Closed: every pixel has an outline neighbour, sideways or diagonal.
            bool neighbour = false;
            for (int dx = -1; dx <= 1 && !neighbour; ++dx) {
                for (int dy = -1; dy <= 1 && !neighbour; ++dy) {
                    neighbour = (dx != 0 || dy != 0) && pixels.count({x + dx, y + dy});
                }
            }
            EXPECT_TRUE(neighbour || pixels.size() == 1) << x << "," << y << " stands alone";
        }
        // Inscribed: it reaches every side of the box and stays inside it.
        EXPECT_EQ(minX, r.left);
        EXPECT_EQ(maxX, r.right - 1);
        EXPECT_EQ(minY, r.top);
        EXPECT_EQ(maxY, r.bottom - 1);
    }
}

TEST(OutlineRuns, EmptyTurnedAndClippedBoxes) {
    EXPECT_TRUE(OutlineRuns({10, 10, 10, 50}, kEverywhere).empty());
    EXPECT_TRUE(OutlineRuns({10, 10, 50, 10}, kEverywhere).empty());
    EXPECT_EQ(OutlineRuns({110, 120, 10, 20}, kEverywhere),
              OutlineRuns({10, 20, 110, 120}, kEverywhere));

    // A clipped outline is the part of the whole one inside the clip.
    const OutlineRect r{-40, -40, 60, 60};
    const PixelArea clip{0, 0, 30, 25};
    Pixels inside;
    for (const auto& p : pixelsOf(OutlineRuns(r, kEverywhere))) {
        if (p.first >= clip.left && p.first < clip.right && p.second >= clip.top &&
            p.second < clip.bottom) {
            inside.insert(p);
        }
    }
    EXPECT_EQ(pixelsOf(OutlineRuns(r, clip)), inside);

    // A typed radius of a billion: only the rows in the clip are worked,
    // and the left edge passes through every one of them.
    const PixelArea edge{-1000000000, -300, -999999000, 300};
    const std::vector<PixelRun> far =
        OutlineRuns({-1000000000, -1000000000, 1000000000, 1000000000}, edge);
    ASSERT_EQ(far.size(), 600u);
    for (const PixelRun& run : far) {
        EXPECT_GE(run.x0, edge.left);
        EXPECT_LE(run.x1, edge.right);
    }
}

}  // namespace
}  // namespace grimora
