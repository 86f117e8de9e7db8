// SPDX-License-Identifier: GPL-3.0-or-later
#include <array>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "picture/depth_convert.h"
#include "picture/dib_queries.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"

namespace grimora {
namespace {

// A picture whose pixels all differ, with a palette whose colour table holds
// other colours than logPalette, so that a conversion reading the wrong copy
// shows.
OwnedDib Source(int bits, int32_t width, int32_t height) {
    OwnedDib dib;
    EXPECT_TRUE(dib.make(width, height, bits));
    Dib& d = dib.edit();
    if (bits <= 8) {
        for (int i = 0; i < (1 << bits); ++i) {
            d.logPalette.palPalEntry[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(100 + i),
                                           static_cast<uint8_t>(255 - i), 0};
            d.info->bmiColors[i] = {7, 7, 7, 0};
        }
    }
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            setpixel(d, x, y, static_cast<uint32_t>(x * 5 + y * 3 + 1));
        }
    }
    return dib;
}

struct Conversion {
    std::vector<int32_t> progress;
    const uint8_t* oldBits = nullptr;
};

Conversion Convert(OwnedDib& dib, int32_t bits, RandomSource& random) {
    Conversion run;
    run.oldBits = dib->bits;
    DepthUpTo(dib, bits, random, [&](int32_t p) { run.progress.push_back(p); });
    return run;
}

TEST(DepthUpTo, PairsThatConvertNothingLeaveThePictureAsItWas) {
    struct Case {
        int depth;
        int target;
    };
    const Case cases[] = {{24, 1},  {24, 4},  {24, 8}, {24, 16}, {24, 24}, {24, 32},
                          {16, 24}, {32, 24}, {8, 4},  {8, 8},   {4, 4},   {4, 1},
                          {1, 1},   {1, 16},  {8, 32}, {4, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.depth << " bits to " << c.target);
        OwnedDib dib = Source(c.depth, 5, 3);
        RandomSource random(1);
        const Conversion run = Convert(dib, c.target, random);
        EXPECT_EQ(dib->bits, run.oldBits);
        EXPECT_EQ(DibBitCount(*dib), c.depth);
        EXPECT_EQ(run.progress, (std::vector<int32_t>{0, 0}));
    }
}

TEST(DepthUpTo, PaletteSourcesBecomeTrueColourThroughLogPalette) {
    for (const int bits : {4, 8}) {
        SCOPED_TRACE(bits);
        // Three pixels wide: pixel 2 of a 4-bit row is the high nibble of byte 1.
        OwnedDib dib = Source(bits, 3, 4);
        const OwnedDib original = Source(bits, 3, 4);
        RandomSource random(1);
        Convert(dib, 24, random);
        ASSERT_EQ(DibBitCount(*dib), 24);
        for (int32_t y = 0; y < 4; ++y) {
            for (int32_t x = 0; x < 3; ++x) {
                const PaletteEntry& e = original->logPalette.palPalEntry[getpixel(*original, x, y)];
                EXPECT_EQ(getpixel(*dib, x, y), e.peRed | e.peGreen << 8 | e.peBlue << 16)
                    << x << ", " << y;
            }
        }
    }
    OwnedDib four = Source(4, 3, 1);
    four.edit().bits[1] = 0xA0;
    RandomSource random(1);
    Convert(four, 24, random);
    EXPECT_EQ(getpixel(*four, 2, 0), 10u | 110u << 8 | 245u << 16);
}

TEST(DepthUpTo, OneBitBecomesPureBlackAndWhiteWhateverItsColours) {
    struct Case {
        int target;
        uint32_t black, white;
    };
    for (const Case& c : {Case{24, 0, 0xFFFFFF}, Case{8, 0, 255}, Case{4, 0, 15}}) {
        SCOPED_TRACE(c.target);
        OwnedDib dib = Source(1, 9, 2);  // logPalette entries 0 and 1 are not black and white
        const OwnedDib original = Source(1, 9, 2);
        RandomSource random(1);
        Convert(dib, c.target, random);
        ASSERT_EQ(DibBitCount(*dib), c.target);
        for (int32_t y = 0; y < 2; ++y) {
            for (int32_t x = 0; x < 9; ++x) {
                EXPECT_EQ(getpixel(*dib, x, y), getpixel(*original, x, y) ? c.white : c.black);
            }
        }
    }
}

// The entries that the conversion does not take are red, green, blue draws
// of the same generator, in index order, each a multiple of 4; both copies of
// every entry and the new palette handle agree.
TEST(DepthUpTo, PaletteTargetsTakeTheirFixedEntriesAndDrawTheRest) {
    struct Case {
        int depth, target;
        std::vector<std::pair<int, PaletteEntry>> fixed;
    };
    const Case cases[] = {
        {1, 8, {{0, {0, 0, 0, 0}}, {255, {255, 255, 255, 0}}}},
        {1, 4, {{0, {0, 0, 0, 0}}, {15, {255, 255, 255, 0}}}},
        {4, 8, {{0, {0, 100, 255, 0}}, {9, {9, 109, 246, 0}}, {15, {15, 115, 240, 0}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.depth << " bits to " << c.target);
        OwnedDib dib = Source(c.depth, 6, 3);
        const OwnedDib original = Source(c.depth, 6, 3);
        RandomSource random(42);
        RandomSource replay(42);
        Convert(dib, c.target, random);
        ASSERT_EQ(DibBitCount(*dib), c.target);
        const int entries = 1 << c.target;
        const int taken = c.depth == 4 ? 16 : 0;
        for (int i = 0; i < entries; ++i) {
            const PaletteEntry& e = dib->logPalette.palPalEntry[i];
            const RgbQuad& q = dib->info->bmiColors[i];
            EXPECT_EQ((std::array{q.rgbRed, q.rgbGreen, q.rgbBlue}),
                      (std::array{e.peRed, e.peGreen, e.peBlue}))
                << i;
            const PaletteEntry h = PaletteColour(dib->palette, i);
            EXPECT_EQ((std::array{h.peRed, h.peGreen, h.peBlue}),
                      (std::array{e.peRed, e.peGreen, e.peBlue}))
                << i;
            const bool isFixed = i < taken || i == 0 || (c.depth == 1 && i == entries - 1);
            if (isFixed) {
                continue;
            }
            const int32_t red = replay.Random(256) & ~3;
            const int32_t green = replay.Random(256) & ~3;
            const int32_t blue = replay.Random(256) & ~3;
            EXPECT_EQ((std::array<int32_t, 3>{e.peRed, e.peGreen, e.peBlue}),
                      (std::array{red, green, blue}))
                << i;
        }
        for (const auto& [index, colour] : c.fixed) {
            const PaletteEntry& e = dib->logPalette.palPalEntry[index];
            EXPECT_EQ((std::array{e.peRed, e.peGreen, e.peBlue}),
                      (std::array{colour.peRed, colour.peGreen, colour.peBlue}))
                << index;
        }
        EXPECT_EQ(PaletteSize(dib->palette), entries);
        if (c.depth == 4) {
            for (int32_t x = 0; x < 6; ++x) {
                EXPECT_EQ(getpixel(*dib, x, 1), getpixel(*original, x, 1));
            }
        }
    }
}

TEST(DepthUpTo, ReportsEachRowThenEmpty) {
    struct Case {
        int32_t height;
        std::vector<int32_t> expected;
    };
    std::vector<int32_t> tall = {0};
    for (int32_t y = 0; y <= 100; ++y) {
        tall.push_back(y);
    }
    tall.push_back(0);
    const Case cases[] = {
        {101, tall}, {1, {0, 100, 0}}, {2, {0, 0, 100, 0}}, {4, {0, 0, 33, 66, 100, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.height);
        OwnedDib dib = Source(8, 2, c.height);
        RandomSource random(1);
        EXPECT_EQ(Convert(dib, 24, random).progress, c.expected);
    }
}

}  // namespace
}  // namespace grimora
