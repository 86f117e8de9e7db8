// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "editor/brush_settings.h"

namespace grimora {
namespace {

TEST(BrushSettings, ButtonPriorityFavoursTheLaterButton) {
    struct Case {
        bool wachsen, schrumpfen, radierer, schmieren, zerren;
        EffectMode mode;
    };
    for (const Case& c : {
             Case{true, false, false, false, false, EffectMode::Grow},
             Case{false, true, false, false, false, EffectMode::Shrink},
             Case{false, false, true, false, false, EffectMode::Rubber},
             Case{false, false, false, true, false, EffectMode::Smear},
             Case{false, false, false, false, true, EffectMode::Lug},
             Case{false, false, false, false, false, EffectMode::Grow},
             Case{true, true, true, true, true, EffectMode::Lug},
             Case{true, true, true, false, false, EffectMode::Rubber},
             Case{false, true, false, true, false, EffectMode::Smear},
         }) {
        EXPECT_EQ(EffectModeFromButtons(c.wachsen, c.schrumpfen, c.radierer, c.schmieren, c.zerren),
                  c.mode);
    }
}

TEST(BrushSettings, RadioButtonsGiveTheAxisSwitches) {
    const AxisSwitches both = AxisSwitchesFromRadios(true, false, false);
    const AxisSwitches onlyX = AxisSwitchesFromRadios(false, true, false);
    const AxisSwitches onlyY = AxisSwitchesFromRadios(false, false, true);
    EXPECT_TRUE(both.x && both.y);
    EXPECT_TRUE(onlyX.x && !onlyX.y);
    EXPECT_TRUE(!onlyY.x && onlyY.y);
}

TEST(BrushSettings, RadiusTruncatesTowardZeroForEveryDouble) {
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    struct Case {
        double radius;
        int32_t dabRadius;
    };
    for (const Case& c : {
             Case{50.0, 50},
             Case{52.9, 52},
             Case{-2.9, -2},
             Case{-0.5, 0},
             Case{1e300, kMax},
             Case{-1e300, kMin},
             Case{std::numeric_limits<double>::infinity(), kMax},
             Case{-std::numeric_limits<double>::infinity(), kMin},
             Case{std::nan(""), 0},
         }) {
        BrushSettings brush;
        brush.radius = c.radius;
        EXPECT_EQ(brush.dabRadius(), c.dabRadius) << c.radius;
    }
}

}  // namespace
}  // namespace grimora
