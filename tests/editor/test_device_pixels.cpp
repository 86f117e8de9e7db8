// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "editor/device_pixels.h"

namespace grimora {
namespace {

// Against exact rational arithmetic: every ratio here is k / 4.
TEST(DevicePixels, AgreeWithExactArithmeticAtTheUsualRatios) {
    std::mt19937 random(18);
    for (const int quarters : {4, 5, 6, 7, 8, 10, 12}) {
        const double ratio = quarters / 4.0;
        SCOPED_TRACE(ratio);
        const auto floorDiv = [](int64_t a, int64_t b) {
            return a >= 0 ? a / b : -((-a + b - 1) / b);
        };
        const auto ceilDiv = [&](int64_t a, int64_t b) { return -floorDiv(-a, b); };
        for (int round = 0; round < 20000; ++round) {
            const int64_t d = static_cast<int64_t>(random() % 200000) - 1000;
            // A device pixel as Qt reports it, its left edge or a point inside.
            const double inside = static_cast<double>(random() % 1000) / 1000.0;
            ASSERT_EQ(DevicePixelAt(static_cast<double>(d) / ratio, ratio), d);
            ASSERT_EQ(DevicePixelAt((static_cast<double>(d) + inside) / ratio, ratio), d);
            // Whole logical pixels: ceil(n * 4 / k) covers n device pixels.
            const int64_t n = static_cast<int64_t>(random() % 100000);
            ASSERT_EQ(LogicalCover(n, ratio), ceilDiv(n * 4, quarters));
            const int64_t a = static_cast<int64_t>(random() % 100000);
            const int64_t b = a + static_cast<int64_t>(random() % 3000);
            ASSERT_EQ(DeviceSpan(a, b, ratio),
                      (PixelSpan{floorDiv(a * quarters, 4), ceilDiv(b * quarters, 4)}));
            ASSERT_EQ(LogicalSpan(a, b, ratio),
                      (PixelSpan{floorDiv(a * 4, quarters), ceilDiv(b * 4, quarters)}));
        }
    }
}

}  // namespace
}  // namespace grimora
