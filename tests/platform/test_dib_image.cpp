// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdint>

#include <QImage>

#include <gtest/gtest.h>

#include "picture/owned_dib.h"
#include "platform/dib_image.h"

namespace grimora {
namespace {

constexpr int32_t kWidth = 13;  // rows of every depth end mid-word, 1 and 4 bits mid-byte
constexpr int32_t kHeight = 5;

// Palette entry i: a colour that tells indices apart.
RgbQuad Entry(int i) {
    return RgbQuad{static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i),
                   static_cast<uint8_t>(i * 7 + 3), 0};
}

// The index or colour channel value of the pixel at (x, top-down y).
int Value(int x, int y) {
    return x * 3 + y * 5;
}

// Writes each pixel's pattern value into the picture at its depth and returns
// the colour the image must show there.
OwnedDib Pattern(int bits) {
    BitmapInfo colours{};
    for (int i = 0; i < kMaxColours; ++i) {
        colours.bmiColors[i] = Entry(i);
    }
    OwnedDib dib;
    EXPECT_TRUE(dib.make(kWidth, kHeight, bits, &colours, 256));
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = DibRow(dib.get(), kHeight - 1 - y);
        for (int x = 0; x < kWidth; ++x) {
            const int v = Value(x, y);
            switch (bits) {
                case 1:
                    row[x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
                    break;
                case 4:
                    row[x / 2] |= static_cast<uint8_t>((v & 15) << (x % 2 == 0 ? 4 : 0));
                    break;
                case 8:
                    row[x] = static_cast<uint8_t>(v);
                    break;
                case 16: {
                    const uint32_t p = (v & 31) << 10 | ((v + 1) & 31) << 5 | ((v + 2) & 31);
                    row[2 * x] = static_cast<uint8_t>(p);
                    row[2 * x + 1] = static_cast<uint8_t>(p >> 8);
                    break;
                }
                default:  // 24 and 32: blue, green, red
                    row[bits / 8 * x] = static_cast<uint8_t>(v + 2);
                    row[bits / 8 * x + 1] = static_cast<uint8_t>(v + 1);
                    row[bits / 8 * x + 2] = static_cast<uint8_t>(v);
                    if (bits == 32) {
                        row[4 * x + 3] = 0x5A;  // unused byte, not alpha
                    }
            }
        }
    }
    return dib;
}

QRgb Expected(int bits, int x, int y) {
    const int v = Value(x, y);
    auto fromEntry = [](int i) {
        const RgbQuad c = Entry(i);
        return qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
    };
    auto widen = [](int f) { return (f * 255 + 15) / 31; };
    switch (bits) {
        case 1:
            return fromEntry(v & 1);
        case 4:
            return fromEntry(v & 15);
        case 8:
            return fromEntry(v);
        case 16:
            return qRgb(widen(v & 31), widen((v + 1) & 31), widen((v + 2) & 31));
        default:
            return qRgb(v, v + 1, v + 2);
    }
}

TEST(DibToQImage, EveryDepthTopRowFirst) {
    for (const int bits : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        const OwnedDib dib = Pattern(bits);
        const QImage image = DibToQImage(dib.get());
        ASSERT_EQ(image.size(), QSize(kWidth, kHeight));
        ASSERT_FALSE(image.hasAlphaChannel());
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                ASSERT_EQ(image.pixel(x, y), Expected(bits, x, y)) << "at " << x << "," << y;
            }
        }
    }
}

TEST(DibToQImage, IndicesPastAShortColourTableShowBlack) {
    OwnedDib dib = Pattern(8);
    dib.edit().info->bmiHeader.biClrUsed = 10;
    const QImage image = DibToQImage(dib.get());
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.pixel(1, 0), Expected(8, 1, 0));  // index 3
    EXPECT_EQ(image.pixel(4, 0), qRgb(0, 0, 0));      // index 12
}

TEST(DibToQImage, WhatItCannotShowGivesANullImage) {
    EXPECT_TRUE(DibToQImage(Dib{}).isNull());
    OwnedDib compressed = Pattern(8);
    compressed.edit().info->bmiHeader.biCompression = 1;
    EXPECT_TRUE(DibToQImage(compressed.get()).isNull());
    OwnedDib shortRows = Pattern(24);
    shortRows.edit().stride = 36;  // 13 pixels need 39 bytes
    EXPECT_TRUE(DibToQImage(shortRows.get()).isNull());
}

}  // namespace
}  // namespace grimora
