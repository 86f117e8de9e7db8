// SPDX-License-Identifier: GPL-3.0-or-later
// The folds kept up to date stroke by stroke against a count from scratch,
// and where warps fold the picture and where they cannot.
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "editor/overlays.h"
#include "warp/effect.h"

namespace grimora {
namespace {

DisplacementField Identity(int32_t width, int32_t height) {
    DisplacementField field(width, height);
    InitMask(field);
    return field;
}

int64_t CountFromScratch(const DisplacementField& field) {
    int64_t folded = 0;
    for (int32_t r = 0; r < field.height(); ++r) {
        for (int32_t c = 0; c < field.width(); ++c) {
            folded += IsFolded(field, c, r) ? 1 : 0;
        }
    }
    return folded;
}

EffectParams DabAt(EffectMode mode, int32_t x, int32_t y, int32_t radius, double strength) {
    EffectParams p;
    p.mode = mode;
    p.centreX = x;
    p.centreY = y;
    p.radius = radius;
    p.strength = strength;
    return p;
}

// A grow or shrink dab scales about its centre, monotonically along every
// ray: whatever its strength, radius and normalising, and wherever its disc
// lies (clamped at the picture's edges too), nothing folds.
TEST(Folds, AGrowOrShrinkDabNeverFolds) {
    std::mt19937 gen(8);
    for (int trial = 0; trial < 120; ++trial) {
        DisplacementField field = Identity(160, 120);
        EffectParams p = DabAt(trial % 2 == 0 ? EffectMode::Grow : EffectMode::Shrink,
                               std::uniform_int_distribution<int32_t>(0, 159)(gen),
                               std::uniform_int_distribution<int32_t>(0, 119)(gen),
                               std::uniform_int_distribution<int32_t>(5, 150)(gen),
                               std::uniform_real_distribution<double>(0.1, 1.0)(gen));
        p.normalize = gen() % 2 == 0;
        DoEffekt(field, p);
        ASSERT_EQ(CountFromScratch(field), 0) << trial;
    }
}

// Smear pushed one way and then back over itself turns the picture inside
// out; the map kept up to date dab by dab counts what a count from scratch
// counts, and finds the fold.
TEST(Folds, ASmearPushedBackOverItselfFoldsAndTheMapFollowsEveryDab) {
    DisplacementField field = Identity(200, 150);
    FoldMap folds;
    folds.rebuild(field);
    EXPECT_EQ(folds.count(), 0);
    std::mt19937 gen(21);
    int64_t most = 0;
    for (int pass = 0; pass < 6; ++pass) {
        const int direction = pass % 2 == 0 ? 1 : -1;
        for (int k = 0; k < 12; ++k) {
            EffectParams p = DabAt(EffectMode::Smear, 100 + direction * (k * 4 - 24), 75, 40, 1.0);
            p.mouseX = 100 + direction * k * 4;
            p.prevMouseX = p.mouseX - direction * 10;
            p.mouseY = 50 + static_cast<int32_t>(gen() % 5);
            p.prevMouseY = 52;
            folds.update(field, DoEffekt(field, p));
            ASSERT_EQ(folds.count(), CountFromScratch(field)) << pass << " " << k;
            most = std::max(most, folds.count());
        }
    }
    EXPECT_GT(most, 50);
}

// The grid: lines where the source cell changes, so the identity at zoom 1
// draws every twelfth column and row and a grow dab bends them.
TEST(Grid, LinesFollowTheSourceCellsTheFieldNames) {
    EXPECT_EQ(GridCell({1, 1}), 12);
    EXPECT_EQ(GridCell({10, 50}), 60);
    EXPECT_EQ(GridCell({100, 10}), 2);
    DisplacementField field = Identity(48, 36);
    std::vector<uint32_t> pixels(48 * 36, 0);
    const ViewPixels view{pixels.data(), 48, 0, 0, 48, 36};
    const ViewMapping map{48, 36, 48, 36};
    DrawGrid(view, map, field, 12);
    for (int32_t vy = 0; vy < 36; ++vy) {
        for (int32_t vx = 0; vx < 48; ++vx) {
            const int32_t r = 35 - vy;
            const bool line = (vx % 12 == 11 && vx < 47) || (r % 12 == 0 && vy < 35);
            ASSERT_EQ(pixels[static_cast<std::size_t>(vy) * 48 + vx] != 0, line) << vx << "," << vy;
        }
    }
}

}  // namespace
}  // namespace grimora
