// SPDX-License-Identifier: GPL-3.0-or-later
// The freeze mask: what Freeze and Thaw paint, and how every warp brush is
// held back by it, against the unmasked dab and an independent blend.
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "warp/effect.h"
#include "warp/effect_reference.h"
#include "warp_test_support.h"

namespace grimora {
namespace {

using namespace warp_test;

FreezeMask RandomMask(int32_t width, int32_t height, std::mt19937& gen) {
    FreezeMask mask(width, height);
    std::uniform_int_distribution<int> kind(0, 3);
    std::uniform_int_distribution<int> any(0, 255);
    for (std::size_t k = 0; k < mask.size(); ++k) {
        const int c = kind(gen);
        mask.data()[k] = static_cast<uint8_t>(c == 0 ? 0 : c == 1 ? 255 : any(gen));
    }
    return mask;
}

EffectParams AnyDab(std::mt19937& gen, EffectMode mode, int32_t width, int32_t height) {
    EffectParams p;
    p.mode = mode;
    p.centreX = std::uniform_int_distribution<int32_t>(-3, width + 2)(gen);
    p.centreY = std::uniform_int_distribution<int32_t>(-3, height + 2)(gen);
    p.radius = std::uniform_int_distribution<int32_t>(-1, 40)(gen);
    p.strength = std::uniform_real_distribution<double>(-0.5, 2.0)(gen);
    p.mouseX = std::uniform_int_distribution<int32_t>(-30, 30)(gen);
    p.mouseY = std::uniform_int_distribution<int32_t>(-30, 30)(gen);
    p.xSwitch = gen() % 4 != 0;
    p.ySwitch = gen() % 4 != 0;
    p.normalize = gen() % 2 == 0;
    return p;
}

// Every warp brush, random strengths, switches and normalising, over random
// masks: each component moves Round((n - o) * (255 - m) / 255) of the way
// the unmasked dab moves it (frozen entries not at all), the fast dab on one
// thread and on two agrees with the plain one, and the mask stays as it was.
TEST(FreezeMask, EveryWarpBrushMovesEachEntryByItsShareOfTheUnmaskedMove) {
    std::mt19937 gen(17);
    const EffectMode warps[] = {EffectMode::Grow, EffectMode::Shrink, EffectMode::Rubber,
                                EffectMode::Smear, EffectMode::Lug};
    int frozenSeen = 0;
    int partSeen = 0;
    for (int round = 0; round < 300; ++round) {
        const int32_t w = std::uniform_int_distribution<int32_t>(1, 70)(gen);
        const int32_t h = std::uniform_int_distribution<int32_t>(1, 60)(gen);
        DisplacementField start = RandomEntries(w, h, gen);
        FreezeMask mask = RandomMask(w, h, gen);
        const std::vector<uint8_t> maskBefore(mask.data(), mask.data() + mask.size());
        const EffectParams p = AnyDab(gen, warps[round % 5], w, h);
        const std::string what = "round " + std::to_string(round);

        DisplacementField free = Copy(start);
        DoEffektReference(free, p);
        DisplacementField plain = Copy(start);
        DoEffektReference(plain, &mask, p);
        DisplacementField one = Copy(start);
        DoEffekt(one, &mask, p, DabThreads::One);
        DisplacementField two = Copy(start);
        DoEffekt(two, &mask, p, DabThreads::Two);

        for (std::size_t k = 0; k < start.size(); ++k) {
            const Displacement o = start.data()[k];
            const Displacement n = free.data()[k];
            const double share = (255.0 - mask.data()[k]) / 255.0;
            const Displacement expected{
                o.x + static_cast<int32_t>(std::nearbyint((n.x - int64_t{o.x}) * share)),
                o.y + static_cast<int32_t>(std::nearbyint((n.y - int64_t{o.y}) * share))};
            ASSERT_EQ(plain.data()[k], expected) << what << " entry " << k;
            frozenSeen += mask.data()[k] == 255 && n != o ? 1 : 0;
            partSeen += mask.data()[k] > 0 && mask.data()[k] < 255 && n != o ? 1 : 0;
        }
        ASSERT_EQ(Entries(one), Entries(plain)) << what;
        ASSERT_EQ(Entries(two), Entries(plain)) << what;
        ASSERT_EQ(std::vector<uint8_t>(mask.data(), mask.data() + mask.size()), maskBefore) << what;
    }
    EXPECT_GT(frozenSeen, 1000);
    EXPECT_GT(partSeen, 1000);
}

// A mask of zeros gives the fields of the unmasked dab byte for byte.
TEST(FreezeMask, AMaskOfZerosChangesNothingAboutADab) {
    std::mt19937 gen(3);
    for (int round = 0; round < 200; ++round) {
        DisplacementField a = RandomEntries(50, 40, gen);
        DisplacementField b = Copy(a);
        FreezeMask zeros(50, 40);
        const EffectParams p = AnyDab(gen, static_cast<EffectMode>(round % 5), 50, 40);
        EXPECT_EQ(DoEffekt(a, p), DoEffekt(b, &zeros, p));
        ASSERT_EQ(Entries(a), Entries(b)) << round;
    }
}

// Freeze and Thaw set exactly the entries of the warp brushes' disc (the
// clipped square, Heron's root, d <= R) to 255 and 0, change no entry of the
// field, and do nothing off the picture or with a radius of 0 or less.
TEST(FreezeMask, FreezeAndThawPaintTheDiscAndLeaveTheField) {
    std::mt19937 gen(11);
    for (int round = 0; round < 200; ++round) {
        const int32_t w = std::uniform_int_distribution<int32_t>(1, 80)(gen);
        const int32_t h = std::uniform_int_distribution<int32_t>(1, 80)(gen);
        DisplacementField field = RandomEntries(w, h, gen);
        const std::vector<Displacement> before = Entries(field);
        FreezeMask mask = RandomMask(w, h, gen);
        const std::vector<uint8_t> was(mask.data(), mask.data() + mask.size());
        const EffectMode mode = round % 2 == 0 ? EffectMode::Freeze : EffectMode::Thaw;
        const EffectParams p = AnyDab(gen, mode, w, h);
        DoEffekt(field, &mask, p, round % 3 == 0 ? DabThreads::Two : DabThreads::Auto);
        ASSERT_EQ(Entries(field), before);
        const bool onPicture = p.centreX >= 0 && p.centreX < w && p.centreY >= 0 && p.centreY < h;
        for (int32_t r = 0; r < h; ++r) {
            for (int32_t c = 0; c < w; ++c) {
                const int64_t dx = c - int64_t{p.centreX};
                const int64_t dy = r - int64_t{p.centreY};
                const auto n = static_cast<uint64_t>(dx * dx + dy * dy);
                const bool inDisc =
                    onPicture && p.radius > 0 && (n == 0 ? 0 : HeronSqrt(n)) <= p.radius;
                const uint8_t expected = inDisc ? (mode == EffectMode::Freeze ? 255 : 0)
                                                : was[static_cast<std::size_t>(r) * w + c];
                ASSERT_EQ(mask.at(c, r), expected) << round << " at " << c << "," << r;
            }
        }
    }
}

}  // namespace
}  // namespace grimora
