// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstring>
#include <type_traits>

#include <gtest/gtest.h>

#include "picture/dib_queries.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"

namespace grimora {
namespace {

OwnedDib make(int32_t w, int32_t h, int bits, const BitmapInfo* colours = nullptr, int count = 0) {
    OwnedDib dib;
    EXPECT_TRUE(dib.make(w, h, bits, colours, count)) << w << "x" << h << "@" << bits;
    return dib;
}

struct StrideCase {
    int32_t width;
    int bits;
    int32_t stride;
};

TEST(NewDib, RowsArePaddedToFourBytesAndStartZero) {
    const StrideCase cases[] = {
        {3, 24, 12}, {4, 24, 12}, {1, 24, 4},  {13, 8, 16}, {13, 4, 8},
        {13, 1, 4},  {33, 1, 8},  {5, 16, 12}, {3, 32, 12},
    };
    for (const auto& c : cases) {
        OwnedDib dib = make(c.width, 7, c.bits);
        EXPECT_EQ(dib->stride, c.stride) << c.width << " pixels at " << c.bits;
        EXPECT_EQ(dib->info->bmiHeader.biSizeImage, static_cast<uint32_t>(c.stride * 7));
        EXPECT_EQ(DibWidth(*dib), c.width);
        EXPECT_EQ(DibHeight(*dib), 7);
        EXPECT_EQ(DibBitCount(*dib), c.bits);
        for (uint32_t i = 0; i < dib->info->bmiHeader.biSizeImage; ++i) {
            ASSERT_EQ(dib->bits[i], 0) << "byte " << i;
        }
    }
}

TEST(NewDib, RefusesWhatItCannotMake) {
    const struct {
        int32_t w, h;
        int bits;
    } cases[] = {
        {0, 10, 24},        {10, 0, 24}, {-1, 10, 24},
        {10, 10, 7},        {10, 10, 0}, {kMaxPictureSide + 1, 1, 24},
        {40000, 40000, 24},  // over the pixel limit
    };
    for (const auto& c : cases) {
        Dib dib;
        newdib(dib, c.w, c.h, c.bits, nullptr, 0);
        EXPECT_EQ(dib.allocation, nullptr) << c.w << "x" << c.h << "@" << c.bits;
        EXPECT_EQ(dib.bits, nullptr);
        deldib(dib);  // harmless on an empty record
    }
}

TEST(NewDib, PaletteDepthsFillColourTableAndLogPaletteAlike) {
    BitmapInfo colours{};
    for (int i = 0; i < 256; ++i) {
        colours.bmiColors[i] = RgbQuad{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                                       static_cast<uint8_t>(i / 2), 0};
    }
    for (int bits : {1, 4, 8}) {
        OwnedDib dib = make(5, 2, bits, &colours, 256);
        const int entries = 1 << bits;
        EXPECT_EQ(dib->logPalette.palVersion, 0x300);
        EXPECT_EQ(dib->logPalette.palNumEntries, entries);
        EXPECT_EQ(dib->hasPalette, 1);
        ASSERT_NE(dib->palette, nullptr);
        EXPECT_EQ(PaletteSize(dib->palette), entries);
        for (int i = 0; i < entries; ++i) {
            const RgbQuad& q = dib->info->bmiColors[i];
            const PaletteEntry& p = dib->logPalette.palPalEntry[i];
            EXPECT_EQ(q.rgbBlue, i);
            EXPECT_EQ(p.peRed, q.rgbRed);
            EXPECT_EQ(p.peGreen, q.rgbGreen);
            EXPECT_EQ(p.peBlue, q.rgbBlue);
            EXPECT_EQ(PaletteColour(dib->palette, i).peGreen, q.rgbGreen);
        }
    }
    // Fewer colours than the depth holds: the rest stay black.
    OwnedDib partial = make(2, 2, 8, &colours, 3);
    EXPECT_EQ(partial->info->bmiColors[2].rgbBlue, 2);
    EXPECT_EQ(partial->info->bmiColors[3].rgbBlue, 0);
    EXPECT_EQ(partial->info->bmiColors[3].rgbGreen, 0);
    // True-colour pictures need no palette step.
    OwnedDib rgb = make(2, 2, 24);
    EXPECT_NE(rgb->hasPalette, 1);
    EXPECT_EQ(rgb->palette, nullptr);
}

TEST(PixelAccess, EveryDepthRoundTripsAndAddressesTheRightBytes) {
    {
        OwnedDib dib = make(3, 2, 24);
        ASSERT_TRUE(setpixel(*dib, 2, 1, 0x112233));  // red 0x33, green 0x22, blue 0x11
        const uint8_t* row1 = DibRow(*dib, 1);
        EXPECT_EQ(row1[6], 0x11);  // blue first
        EXPECT_EQ(row1[7], 0x22);
        EXPECT_EQ(row1[8], 0x33);
        EXPECT_EQ(row1[9], 0);  // bytes 9 to 11 belong to no pixel
        EXPECT_EQ(getpixel(*dib, 2, 1), 0x112233u);
        EXPECT_EQ(getpixel(*dib, 2, 0), 0u);
    }
    {
        OwnedDib dib = make(3, 1, 4);
        setpixel(*dib, 0, 0, 0xA);
        setpixel(*dib, 1, 0, 0x5);
        setpixel(*dib, 2, 0, 255);  // masked to the depth: entry 15
        EXPECT_EQ(dib->bits[0], 0xA5);
        EXPECT_EQ(dib->bits[1], 0xF0);  // pixel 2 is the high nibble of byte 1
        EXPECT_EQ(getpixel(*dib, 2, 0), 15u);
        EXPECT_EQ(getpixel(*dib, 1, 0), 5u);
    }
    {
        OwnedDib dib = make(10, 1, 1);
        setpixel(*dib, 0, 0, 1);
        setpixel(*dib, 9, 0, 7);  // any odd value sets the bit
        EXPECT_EQ(dib->bits[0], 0x80);
        EXPECT_EQ(dib->bits[1], 0x40);
        EXPECT_EQ(getpixel(*dib, 9, 0), 1u);
        setpixel(*dib, 9, 0, 0);
        EXPECT_EQ(getpixel(*dib, 9, 0), 0u);
    }
    {
        OwnedDib dib = make(4, 3, 8);
        setpixel(*dib, 3, 2, 200);
        EXPECT_EQ(DibRow(*dib, 2)[3], 200);
        EXPECT_EQ(getpixel(*dib, 3, 2), 200u);
    }
}

TEST(PixelAccess, OutsideThePictureIsIgnored) {
    OwnedDib dib = make(4, 4, 24);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {4, 0}, {0, 4}}) {
        EXPECT_FALSE(setpixel(*dib, x, y, 0xFFFFFF));
        EXPECT_EQ(getpixel(*dib, x, y), 0u);
    }
    EXPECT_EQ(getpixel(Dib{}, 0, 0), 0u);
    EXPECT_FALSE(setpixel(Dib{}, 0, 0, 1));
}

TEST(Queries, PowersOfTwoDoubleInThirtyTwoBits) {
    EXPECT_EQ(PowerOfTwo(0), 1);
    EXPECT_EQ(PowerOfTwo(-3), 1);
    EXPECT_EQ(PowerOfTwo(8), 256);
    EXPECT_EQ(PowerOfTwo(30), 1 << 30);
    EXPECT_EQ(PowerOfTwo(31), INT32_MIN);
    EXPECT_EQ(PowerOfTwo(32), 0);
    EXPECT_EQ(PowerOfTwo(1000), 0);
    EXPECT_EQ(zweihoch(24), 16777216);
    OwnedDib dib = make(1, 1, 4);
    EXPECT_EQ(DibColorCount(*dib), 16);
    EXPECT_EQ(DibWidth(Dib{}), 0);
}

TEST(Queries, ScreenDepthComesFromThePlatformHookEveryCall) {
    int depth = 8;
    SetScreenDepthHook([&] { return depth; });
    EXPECT_EQ(ScreenBitsPerPixel(), 8);
    depth = 32;
    EXPECT_EQ(ScreenBitsPerPixel(), 32);
    SetScreenDepthHook(nullptr);
    EXPECT_EQ(ScreenBitsPerPixel(), 24);
}

TEST(OwnedDib, OnlyMovesSoEachPictureHasOneOwner) {
    static_assert(!std::is_copy_constructible_v<OwnedDib>);
    static_assert(!std::is_copy_assignable_v<OwnedDib>);
    OwnedDib a = make(2, 2, 24);
    const void* block = a->allocation;
    OwnedDib b = std::move(a);
    EXPECT_FALSE(a.holdsPicture());  // NOLINT(bugprone-use-after-move): checking the move
    EXPECT_EQ(b->allocation, block);
    OwnedDib c = make(3, 3, 8);
    c = std::move(b);  // frees c's old picture; ASan reports a leak or double free otherwise
    EXPECT_EQ(c->allocation, block);
    Dib raw = c.release();
    EXPECT_FALSE(c.holdsPicture());
    OwnedDib again(raw);
    EXPECT_FALSE(again.make(0, 0, 24));  // a failed make keeps the held picture
    EXPECT_EQ(again->allocation, block);
}

}  // namespace
}  // namespace grimora
