// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/open_dib.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"

namespace grimora {
namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b.push_back(uint8_t(v >> (8 * i)));
    }
}

// A 1-bit bitmap, 10 x 2, with the colour table given. Bottom row: pixels
// 0 and 9 set; top row: pixel 1 set.
Bytes OneBitBmp(RgbQuad first, RgbQuad second) {
    Bytes b = {'B', 'M'};
    Put32(b, 14 + 40 + 8 + 8);
    Put32(b, 0);
    Put32(b, 14 + 40 + 8);
    Put32(b, 40);
    Put32(b, 10);
    Put32(b, 2);
    b.insert(b.end(), {1, 0, 1, 0});  // planes, bits
    for (int i = 0; i < 6; ++i) {
        Put32(b, 0);
    }
    for (const RgbQuad& q : {first, second}) {
        b.insert(b.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
    }
    b.insert(b.end(), {0x80, 0x40, 0, 0});  // memory row 0
    b.insert(b.end(), {0x40, 0x00, 0, 0});  // memory row 1
    return b;
}

constexpr RgbQuad kBlack{0, 0, 0, 0};
constexpr RgbQuad kWhite{255, 255, 255, 0};
constexpr RgbQuad kRed{0, 0, 255, 0};
constexpr RgbQuad kBlue{255, 0, 0, 0};

bool Same(const PaletteEntry& e, const RgbQuad& q) {
    return e.peRed == q.rgbRed && e.peGreen == q.rgbGreen && e.peBlue == q.rgbBlue;
}

// Whatever the colours of a 1-bit file, the picture shows them, and a 1-bit
// picture that comes out is black then white.
TEST(OpenDibFromMemory, OneBitPicturesLeaveBlackThenWhite) {
    const struct {
        const char* name;
        RgbQuad first, second;
        int bits;
    } cases[] = {
        {"black, white", kBlack, kWhite, 1},
        {"white, black", kWhite, kBlack, 1},
        {"red, blue", kRed, kBlue, 8},
        {"black, black", kBlack, kBlack, 8},
    };
    const bool set[2][10] = {{1, 0, 0, 0, 0, 0, 0, 0, 0, 1}, {0, 1, 0, 0, 0, 0, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        const Bytes file = OneBitBmp(c.first, c.second);
        Dib loaded;
        OpenDibFromMemory(loaded, file.data(), file.size(), nullptr);
        const OwnedDib dib(loaded);
        ASSERT_NE(dib->bits, nullptr) << c.name << ": " << dib->errorText;
        ASSERT_EQ(dib->info->bmiHeader.biBitCount, c.bits) << c.name;
        EXPECT_NE(dib->palette, nullptr) << c.name;
        if (c.bits == 1) {
            EXPECT_TRUE(Same(dib->logPalette.palPalEntry[0], kBlack)) << c.name;
            EXPECT_TRUE(Same(dib->logPalette.palPalEntry[1], kWhite)) << c.name;
            EXPECT_EQ(dib->info->bmiColors[0].rgbRed, 0) << c.name;
            EXPECT_EQ(dib->info->bmiColors[1].rgbRed, 255) << c.name;
        }
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 10; ++x) {
                const RgbQuad& want = set[y][x] ? c.second : c.first;
                const uint32_t index = getpixel(*dib, x, y);
                ASSERT_TRUE(Same(dib->logPalette.palPalEntry[index], want))
                    << c.name << ": x " << x << ", memory row " << y;
            }
        }
    }
}

TEST(OpenDibFromMemory, SaysWhatItCannotRead) {
    const struct {
        const char* name;
        Bytes file;
        const char* error;
    } cases[] = {
        {"empty", {}, "The file is empty."},
        {"text", {'h', 'e', 'l', 'l', 'o'}, "This is not a picture file that Grimora can read."},
        {"PNG signature alone",
         {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'},
         "The PNG file ends early."},
        {"TIFF header alone",
         {'I', 'I', 42, 0},
         "The TIFF file cannot be read: Cannot read TIFF header."},
    };
    for (const auto& c : cases) {
        Dib dib;
        OpenDibFromMemory(dib, c.file.data(), c.file.size(), nullptr);
        EXPECT_EQ(dib.bits, nullptr) << c.name;
        EXPECT_EQ(dib.allocation, nullptr) << c.name;
        EXPECT_STREQ(dib.errorText, c.error) << c.name;
        PictureSize size;
        EXPECT_FALSE(MeasurePicture(c.file, size)) << c.name;
    }
}

TEST(OpenDibFromMemory, ProgressRisesToAHundred) {
    const Bytes file = OneBitBmp(kRed, kBlue);
    std::vector<int> percents;
    Dib loaded;
    OpenDibFromMemory(loaded, file.data(), file.size(), [&](int p) { percents.push_back(p); });
    const OwnedDib dib(loaded);
    ASSERT_NE(dib->bits, nullptr);
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);
    for (std::size_t i = 1; i < percents.size(); ++i) {
        EXPECT_LT(percents[i - 1], percents[i]);
    }
    PictureSize size;
    ASSERT_TRUE(MeasurePicture(file, size));
    EXPECT_EQ(size.width, 10);
    EXPECT_EQ(size.height, 2);
}

}  // namespace
}  // namespace grimora
