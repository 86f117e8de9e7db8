// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>

#include <gtest/gtest.h>

#include "picture/dib_queries.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"

namespace grimora {
namespace {

OwnedDib gradient(int32_t w, int32_t h) {
    OwnedDib dib;
    EXPECT_TRUE(dib.make(w, h, 24));
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t r = static_cast<uint32_t>(x * 255 / (w - 1));
            const uint32_t g = static_cast<uint32_t>(y * 255 / (h - 1));
            const uint32_t b = static_cast<uint32_t>((x + y) * 255 / (w + h - 2));
            setpixel(*dib, x, y, r | g << 8 | b << 16);
        }
    }
    return dib;
}

OwnedDib flat(int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b) {
    OwnedDib dib;
    EXPECT_TRUE(dib.make(w, h, 24));
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            setpixel(*dib, x, y, uint32_t{r} | uint32_t{g} << 8 | uint32_t{b} << 16);
        }
    }
    return dib;
}

RgbQuad colourOf(const Dib& dib, int32_t x, int32_t y) {
    return dib.info->bmiColors[getpixel(dib, x, y)];
}

TEST(Halftone, MakesAnEightBitPalettePictureOfTheSourceSize) {
    OwnedDib src = gradient(40, 30);
    Dib out;
    DIBHalftoneDIB(out, *src);
    OwnedDib owned(out);
    ASSERT_TRUE(owned.holdsPicture());
    EXPECT_EQ(DibBitCount(*owned), 8);
    EXPECT_EQ(DibWidth(*owned), 40);
    EXPECT_EQ(DibHeight(*owned), 30);
    ASSERT_NE(owned->palette, nullptr);
    for (int i = 0; i < 256; ++i) {
        const RgbQuad& q = owned->info->bmiColors[i];
        const PaletteEntry& p = owned->logPalette.palPalEntry[i];
        ASSERT_EQ(q.rgbRed, p.peRed);
        ASSERT_EQ(q.rgbGreen, p.peGreen);
        ASSERT_EQ(q.rgbBlue, p.peBlue);
    }
}

TEST(Halftone, EachPixelIsNearItsSourceAndAreasKeepTheirMeanColour) {
    OwnedDib src = gradient(64, 48);
    Dib out;
    DIBHalftoneDIB(out, *src);
    OwnedDib owned(out);
    ASSERT_TRUE(owned.holdsPicture());
    // The cube's steps are 51 apart; diffused error may push a pixel one step on.
    for (int32_t y = 0; y < 48; ++y) {
        for (int32_t x = 0; x < 64; ++x) {
            const uint32_t s = getpixel(*src, x, y);
            const RgbQuad c = colourOf(*owned, x, y);
            EXPECT_LE(std::abs(c.rgbRed - static_cast<int>(s & 0xFF)), 60) << x << "," << y;
            EXPECT_LE(std::abs(c.rgbGreen - static_cast<int>((s >> 8) & 0xFF)), 60);
            EXPECT_LE(std::abs(c.rgbBlue - static_cast<int>(s >> 16)), 60);
        }
    }
    // Averaged over 8 x 8 blocks the dithered picture matches the source closely.
    for (int32_t by = 0; by < 48; by += 8) {
        for (int32_t bx = 0; bx < 64; bx += 8) {
            double sr = 0, dr = 0, sg = 0, dg = 0;
            for (int32_t y = by; y < by + 8; ++y) {
                for (int32_t x = bx; x < bx + 8; ++x) {
                    const uint32_t s = getpixel(*src, x, y);
                    sr += s & 0xFF;
                    sg += (s >> 8) & 0xFF;
                    dr += colourOf(*owned, x, y).rgbRed;
                    dg += colourOf(*owned, x, y).rgbGreen;
                }
            }
            EXPECT_NEAR(sr / 64, dr / 64, 12) << "block " << bx << "," << by;
            EXPECT_NEAR(sg / 64, dg / 64, 12) << "block " << bx << "," << by;
        }
    }
}

TEST(Halftone, GreysStayNeutral) {
    for (uint8_t v : {uint8_t{0}, uint8_t{51}, uint8_t{128}, uint8_t{200}, uint8_t{255}}) {
        OwnedDib src = flat(20, 20, v, v, v);
        Dib out;
        DIBHalftoneDIB(out, *src);
        OwnedDib owned(out);
        ASSERT_TRUE(owned.holdsPicture());
        double sum = 0;
        const uint32_t first = getpixel(*owned, 0, 0);
        bool allSame = true;
        for (int32_t y = 0; y < 20; ++y) {
            for (int32_t x = 0; x < 20; ++x) {
                const RgbQuad c = colourOf(*owned, x, y);
                ASSERT_EQ(c.rgbRed, c.rgbGreen) << "grey " << int{v} << " got a tint";
                ASSERT_EQ(c.rgbGreen, c.rgbBlue);
                sum += c.rgbRed;
                allSame = allSame && getpixel(*owned, x, y) == first;
            }
        }
        EXPECT_NEAR(sum / 400, v, 2.0) << "grey " << int{v};
        if (v == 0 || v == 51 || v == 255) {  // greys the palette holds stay flat
            EXPECT_TRUE(allSame) << "grey " << int{v};
        }
    }
}

TEST(Halftone, ScaledVariantTakesNearestPixels) {
    // Left half black, right half white: scaled to a quarter the halves stay apart.
    OwnedDib src;
    ASSERT_TRUE(src.make(40, 8, 24));
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 20; x < 40; ++x) {
            setpixel(*src, x, y, 0xFFFFFF);
        }
    }
    Dib out;
    DIBHalftoneDIBXY(out, *src, 10, 2);
    OwnedDib owned(out);
    ASSERT_TRUE(owned.holdsPicture());
    EXPECT_EQ(DibWidth(*owned), 10);
    EXPECT_EQ(DibHeight(*owned), 2);
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 0; x < 10; ++x) {
            EXPECT_EQ(colourOf(*owned, x, y).rgbRed, x < 5 ? 0 : 255) << x << "," << y;
        }
    }
}

TEST(Halftone, RefusesSourcesThatAreNotTrueColour) {
    OwnedDib src;
    ASSERT_TRUE(src.make(4, 4, 8));
    Dib out;
    DIBHalftoneDIB(out, *src);
    EXPECT_EQ(out.allocation, nullptr);
    DIBHalftoneDIBXY(out, Dib{}, 4, 4);
    EXPECT_EQ(out.allocation, nullptr);
}

}  // namespace
}  // namespace grimora
