// SPDX-License-Identifier: GPL-3.0-or-later
// DoEffekt against the plain DoEffektReference, and the rectangle render
// against the whole one.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/dib_queries.h"
#include "warp/effect.h"
#include "warp/effect_reference.h"
#include "warp/render.h"
#include "warp_test_support.h"

namespace grimora {
namespace {

using namespace warp_test;

constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

uint8_t Pattern(int32_t row, int32_t k) {
    return static_cast<uint8_t>(row * 29 + k * 7 + 3);
}

// Pixel bytes of two pictures of one size, padding included.
bool SamePixels(const Dib& a, const Dib& b) {
    for (int32_t r = 0; r < DibHeight(a); ++r) {
        if (std::memcmp(DibRow(a, r), DibRow(b, r), static_cast<std::size_t>(a.stride)) != 0) {
            return false;
        }
    }
    return true;
}

// Random dabs, typed values included: strengths and radii beyond the fields'
// ranges, centres on and beyond the edges, any mouse movement.
EffectParams RandomDab(std::mt19937& gen, EffectMode mode, int32_t width, int32_t height) {
    const int32_t radii[] = {-7, -1, 0, 1, 2, 3, 5, 7, 10, 18, 33, 50, 1000, kMaxInt};
    // 2^28 is the largest strength whose sample positions skip the clamping
    // conversion; 3e8 is just beyond.
    const double strengths[] = {0.4,  0.1,   1.0,  0.5,  0.7,    0,       2,   -1,
                                1e15, -1e15, kInf, kNaN, 0x1p28, -0x1p28, 3e8, -3e8};
    std::uniform_int_distribution<int32_t> cx(-2, width + 1);
    std::uniform_int_distribution<int32_t> cy(-2, height + 1);
    std::uniform_int_distribution<int32_t> mouse(-40, 40);
    std::uniform_int_distribution<std::size_t> radius(0, std::size(radii) - 1);
    std::uniform_int_distribution<std::size_t> strength(0, std::size(strengths) - 1);
    std::bernoulli_distribution coin(0.5);
    std::uniform_real_distribution<double> anyStrength(0.05, 1.0);
    EffectParams p;
    p.mode = mode;
    p.centreX = cx(gen);
    p.centreY = cy(gen);
    p.radius = radii[radius(gen)];
    p.strength = coin(gen) ? anyStrength(gen) : strengths[strength(gen)];
    p.mouseX = mouse(gen);
    p.mouseY = mouse(gen);
    p.prevMouseX = mouse(gen);
    p.prevMouseY = mouse(gen);
    const int axes = std::uniform_int_distribution<int>(0, 3)(gen);
    p.xSwitch = axes != 1;
    p.ySwitch = axes != 2;
    p.normalize = coin(gen);
    return p;
}

std::string Describe(const EffectParams& p, const DisplacementField& f) {
    return "mode " + std::to_string(static_cast<int>(p.mode)) + " on " + std::to_string(f.width()) +
           " x " + std::to_string(f.height()) + " at (" + std::to_string(p.centreX) + ", " +
           std::to_string(p.centreY) + ") R " + std::to_string(p.radius) + " S " +
           std::to_string(p.strength) + " switches " + std::to_string(p.xSwitch) +
           std::to_string(p.ySwitch) + std::to_string(p.normalize) + " mouse (" +
           std::to_string(p.prevMouseX) + ", " + std::to_string(p.prevMouseY) + ") -> (" +
           std::to_string(p.mouseX) + ", " + std::to_string(p.mouseY) + ")";
}

// A stroke of dabs on three copies of one field: the reference, the fast path
// on one thread and on two. After every dab the fields agree, and the
// rectangle render of the dab's bounds gives the whole render's picture.
void ExpectStrokeAgrees(DisplacementField start, const std::vector<EffectParams>& stroke) {
    DisplacementField expected = Copy(start);
    DisplacementField two = Copy(start);
    DisplacementField& one = start;
    const int32_t w = one.width();
    const int32_t h = one.height();
    OwnedDib source = MakePicture(w, h, 24, Pattern);
    RecordingMessages messages;
    OwnedDib result;
    if (source.holdsPicture()) {
        renderdi(source.get(), one, result, messages);
    }
    for (const EffectParams& p : stroke) {
        DoEffektReference(expected, p);
        DoEffekt(one, p, DabThreads::One);
        DoEffekt(two, p, DabThreads::Two);
        ASSERT_EQ(Entries(one), Entries(expected)) << Describe(p, one);
        ASSERT_EQ(Entries(two), Entries(expected)) << "two threads, " << Describe(p, one);

        if (!source.holdsPicture()) {
            continue;  // wider than any picture: the field alone is compared
        }
        ASSERT_TRUE(renderdiRect(source.get(), one, result, DabBounds(p, w, h)));
        OwnedDib whole;
        renderdi(source.get(), one, whole, messages);
        ASSERT_TRUE(SamePixels(result.get(), whole.get())) << Describe(p, one);
    }
    EXPECT_TRUE(messages.shown.empty());
}

const EffectMode kModes[] = {EffectMode::Grow, EffectMode::Shrink, EffectMode::Rubber,
                             EffectMode::Smear, EffectMode::Lug};

class FastDab : public ::testing::TestWithParam<EffectMode> {};

// Small and odd-sized pictures, identity and random fields, strokes of
// several dabs so that every dab meets a field earlier dabs have bent.
TEST_P(FastDab, RandomStrokesMatchTheReference) {
    const EffectMode mode = GetParam();
    std::mt19937 gen(1234 + static_cast<unsigned>(mode));
    const int32_t sizes[][2] = {{1, 1}, {1, 9},   {9, 1},   {2, 3},
                                {7, 5}, {16, 16}, {31, 17}, {64, 45}};
    for (int round = 0; round < 120; ++round) {
        const auto& size = sizes[static_cast<std::size_t>(round) % std::size(sizes)];
        DisplacementField field =
            round % 3 == 0 ? IdentityField(size[0], size[1]) : RandomEntries(size[0], size[1], gen);
        std::vector<EffectParams> stroke;
        for (int k = 0; k < 8; ++k) {
            stroke.push_back(RandomDab(gen, mode, size[0], size[1]));
        }
        ExpectStrokeAgrees(std::move(field), stroke);
        if (HasFatalFailure()) {
            return;
        }
    }
}

// Squares large enough for the automatic choice to share rows, and a stroke
// along the edges at the largest radius of the field.
TEST_P(FastDab, LargeSquaresMatchTheReference) {
    const EffectMode mode = GetParam();
    std::mt19937 gen(99 + static_cast<unsigned>(mode));
    DisplacementField field = RandomEntries(260, 230, gen);
    DisplacementField automatic = Copy(field);
    std::vector<EffectParams> stroke;
    for (const auto& [x, y] :
         {std::pair{130, 115}, std::pair{0, 0}, std::pair{259, 3}, std::pair{120, 229}}) {
        EffectParams p = Dab(mode, x, y, 150, 0.6);
        p.normalize = true;
        p.prevMouseX = 14;
        p.mouseY = 6;
        stroke.push_back(p);
    }
    for (const EffectParams& p : stroke) {
        DoEffektReference(field, p);
        DoEffekt(automatic, p);
        ASSERT_EQ(Entries(automatic), Entries(field)) << Describe(p, field);
    }
    ExpectStrokeAgrees(Copy(field), stroke);
}

// A long thin field: from its middle the distances come close to 2^32, from
// its end they pass it, where Heron's iteration no longer gives the root; the
// fast path must follow it there too.
TEST_P(FastDab, VeryLongRowsMatchTheReference) {
    const EffectMode mode = GetParam();
    std::mt19937 gen(7);
    constexpr int32_t width = 70000;
    std::vector<EffectParams> stroke;
    for (const int32_t x : {width / 2, 0}) {
        EffectParams p = Dab(mode, x, 0, kMaxInt, 0.3);
        p.prevMouseY = 9;
        stroke.push_back(p);
    }
    ExpectStrokeAgrees(RandomEntries(width, 2, gen), stroke);
}

std::string BrushName(const ::testing::TestParamInfo<EffectMode>& info) {
    const char* const names[] = {"Grow", "Shrink", "Rubber", "Smear", "Lug"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryBrush, FastDab, ::testing::ValuesIn(kModes), BrushName);

// The fast path measures n = dx^2 + dy^2 below 2^32 as the floor root, or one
// above it at n = m * m - 1; the iteration must keep to that near every square.
TEST(HeronSqrtNearSquares, FloorRootOrOneAboveJustBelowASquare) {
    for (int64_t m = 2; m <= 65536; ++m) {
        const auto square = static_cast<uint64_t>(m * m);
        EXPECT_EQ(HeronSqrt(square - 2), m - 1) << m;
        const int64_t below = HeronSqrt(square - 1);
        EXPECT_TRUE(below == m - 1 || below == m) << m;
        EXPECT_EQ(HeronSqrt(square), m) << m;
        EXPECT_EQ(HeronSqrt(square + 1), m) << m;
        if (HasFailure()) {
            return;
        }
    }
}

TEST(DabBounds, TheSquareClippedToThePicture) {
    const struct {
        const char* name;
        int32_t x, y, radius;
        DabRect bounds;
    } cases[] = {
        {"inside", 50, 40, 10, {40, 30, 21, 21}},
        {"at the bottom left corner", 0, 0, 5, {0, 0, 6, 6}},
        {"at the top right corner", 99, 79, 5, {94, 74, 6, 6}},
        {"larger than the picture", 3, 70, 500, {0, 0, 100, 80}},
        {"largest radius", 3, 70, kMaxInt, {0, 0, 100, 80}},
        {"radius 1", 10, 10, 1, {9, 9, 3, 3}},
        {"radius 0", 10, 10, 0, {}},
        {"negative radius", 10, 10, -3, {}},
        {"centre left of the picture", -1, 10, 5, {}},
        {"centre above the picture", 10, 80, 5, {}},
    };
    for (const auto& c : cases) {
        EffectParams p = Dab(EffectMode::Grow, c.x, c.y, c.radius, 0.4);
        EXPECT_EQ(DabBounds(p, 100, 80), c.bounds) << c.name;
    }
}

// Rows of the result that renderdiRect leaves alone keep their bytes; those
// inside the rectangle show the field.
TEST(RenderRect, RebuildsOnlyTheRectangleClippedToThePicture) {
    constexpr int32_t w = 13;
    constexpr int32_t h = 9;
    std::mt19937 gen(5);
    const DisplacementField field = RandomEntries(w, h, gen);
    OwnedDib source = MakePicture(w, h, 24, Pattern);
    RecordingMessages messages;
    OwnedDib rendered;
    renderdi(source.get(), field, rendered, messages);
    const DabRect rects[] = {{2, 3, 4, 5}, {-5, -5, 8, 7}, {10, 6, 50, 50},          {0, 0, w, h},
                             {4, 4, 0, 3}, {20, 2, 3, 3},  {-kMaxInt, 0, kMaxInt, 2}};
    for (const DabRect& rect : rects) {
        OwnedDib result = MakePicture(w, h, 24, [](int32_t, int32_t) { return uint8_t{0xA5}; });
        ASSERT_TRUE(renderdiRect(source.get(), field, result, rect));
        for (int32_t r = 0; r < h; ++r) {
            for (int32_t c = 0; c < w; ++c) {
                const bool inside = c >= rect.x && int64_t{c} < int64_t{rect.x} + rect.width &&
                                    r >= rect.y && int64_t{r} < int64_t{rect.y} + rect.height;
                const uint8_t* got = DibRow(result.get(), r) + 3 * c;
                const uint8_t* want = DibRow(rendered.get(), r) + 3 * c;
                const uint8_t untouched[3] = {0xA5, 0xA5, 0xA5};
                ASSERT_EQ(std::memcmp(got, inside ? want : untouched, 3), 0)
                    << "column " << c << ", row " << r << " of rect at " << rect.x << ", "
                    << rect.y;
            }
        }
    }
}

TEST(RenderRect, RefusesWhatCannotBeUpdatedInPlace) {
    constexpr int32_t w = 6;
    constexpr int32_t h = 4;
    const DisplacementField field = IdentityField(w, h);
    OwnedDib source = MakePicture(w, h, 24, Pattern);
    OwnedDib grey = MakePicture(w, h, 8, Pattern);
    const DisplacementField otherField = IdentityField(w + 1, h);
    const DabRect all{0, 0, w, h};
    const auto filled = [](int32_t width, int32_t height, int bits) {
        return MakePicture(width, height, bits, [](int32_t, int32_t) { return uint8_t{0x5A}; });
    };
    struct Case {
        const char* name;
        const Dib* source;
        const DisplacementField* field;
        OwnedDib result;
    };
    Case cases[] = {
        {"no result picture", &source.get(), &field, OwnedDib{}},
        {"result of another width", &source.get(), &field, filled(w - 1, h, 24)},
        {"result of another height", &source.get(), &field, filled(w, h + 1, 24)},
        {"result at 8 bits", &source.get(), &field, filled(w, h, 8)},
        {"source at 8 bits", &grey.get(), &field, filled(w, h, 24)},
        {"field of another size", &source.get(), &otherField, filled(w, h, 24)},
    };
    for (Case& c : cases) {
        EXPECT_FALSE(renderdiRect(*c.source, *c.field, c.result, all)) << c.name;
        if (c.result.holdsPicture()) {
            for (int32_t r = 0; r < DibHeight(c.result.get()); ++r) {
                const uint8_t* row = DibRow(c.result.get(), r);
                const int32_t bytes = DibWidth(c.result.get()) * DibBitCount(c.result.get()) / 8;
                for (int32_t k = 0; k < bytes; ++k) {
                    ASSERT_EQ(row[k], 0x5A) << c.name;
                }
            }
        }
    }
}

}  // namespace
}  // namespace grimora
