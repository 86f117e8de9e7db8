// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/gif_reader.h"
#include "picture/open_dib.h"
#include "picture/owned_dib.h"
#include "reader_fixtures.h"

namespace grimora {
namespace {

using fixtures::Bytes;
using fixtures::LoadError;

Bytes Fixture(const std::string& name) {
    return fixtures::FixtureFile("gif", name);
}

// A GIF with a two-colour global table, one image descriptor of the given
// size and `data` after it.
Bytes Gif(uint16_t screenW, uint16_t screenH, uint16_t left, uint16_t top, uint16_t w, uint16_t h,
          const Bytes& data) {
    Bytes b = {'G',
               'I',
               'F',
               '8',
               '9',
               'a',
               uint8_t(screenW),
               uint8_t(screenW >> 8),
               uint8_t(screenH),
               uint8_t(screenH >> 8),
               0x80,
               0,
               0,
               0,
               0,
               0,
               255,
               255,
               255};
    const Bytes descriptor = {
        ',',        uint8_t(left),   uint8_t(left >> 8), uint8_t(top),    uint8_t(top >> 8),
        uint8_t(w), uint8_t(w >> 8), uint8_t(h),         uint8_t(h >> 8), 0};
    b.insert(b.end(), descriptor.begin(), descriptor.end());
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

TEST(GifReader, RefusesBrokenAndHostileFiles) {
    const Bytes whole = Fixture("netpbm_4bit.gif");
    ASSERT_GT(whole.size(), 40u);
    const Bytes lzw = {2, 2, 0x44, 0x01, 0, ';'};  // a 1 x 1 picture of colour 0
    const struct {
        const char* name;
        Bytes file;
        std::string error;
    } cases[] = {
        {"cut in the picture data", Bytes(whole.begin(), whole.end() - 20),
         "The GIF file ends early."},
        {"cut in the header", Bytes(whole.begin(), whole.begin() + 9),
         "The GIF file has no screen descriptor."},
        {"no picture", Bytes{'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0, 0, 0, ';'},
         "The GIF file has no picture."},
        {"screen beyond the limits", Gif(65535, 65535, 0, 0, 1, 1, lzw),
         "The picture is too large: 65535 × 65535 pixels."},
        {"picture past the screen", Gif(1, 1, 65000, 0, 535, 65000, lzw),
         "The picture is too large: 65535 × 65000 pixels."},
        {"empty picture", Gif(1, 1, 0, 0, 0, 1, lzw),
         "The GIF picture size is invalid: 0 × 1 pixels."},
        {"well formed", Gif(1, 1, 0, 0, 1, 1, lzw), "loaded"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LoadError(c.file), c.error) << c.name;
    }
}

TEST(GifReader, AFrameSmallerThanTheScreenSitsOnTheBackground) {
    // Screen 3 x 2, background colour 1 (white); a 1 x 1 black picture at (2, 1).
    Bytes file = Gif(3, 2, 2, 1, 1, 1, {2, 2, 0x44, 0x01, 0, ';'});
    file[11] = 1;
    Dib dib;
    OpenDibFromMemory(dib, file.data(), file.size(), nullptr);
    const OwnedDib picture(dib);
    ASSERT_NE(dib.bits, nullptr) << dib.errorText;
    EXPECT_EQ(dib.info->bmiHeader.biBitCount, 1);
    // Memory row 0 is the bottom row: the picture's pixel is at its right.
    EXPECT_EQ(getpixel(dib, 2, 0), 0u);
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}, {2, 1}}) {
        EXPECT_EQ(getpixel(dib, x, y), 1u) << x << ", " << y;
    }
    PictureSize size;
    ASSERT_TRUE(MeasurePicture(file, size));
    EXPECT_EQ(size.width, 3);
    EXPECT_EQ(size.height, 2);
}

// A four-colour table, a graphic control extension naming `transparent`,
// and a 1 x 1 picture of colour 9.
Bytes ColourNine(uint8_t transparent) {
    return {'G',  'I', 'F', '8', '9', 'a',         1,    0,    1,  0,   0x81, 0,   0,
            10,   20,  30,  40,  50,  60,          70,   80,   90, 100, 110,  120, '!',
            0xF9, 4,   1,   0,   0,   transparent, 0,    ',',  0,  0,   0,    0,   1,
            0,    1,   0,   0,   4,   2,           0x30, 0x45, 0,  ';'};
}

TEST(GifReader, ATransparentIndexPastTheTableShowsWhite) {
    Bytes file = ColourNine(9);
    Dib dib;
    OpenDibFromMemory(dib, file.data(), file.size(), nullptr);
    const OwnedDib picture(dib);
    ASSERT_NE(dib.bits, nullptr) << dib.errorText;
    ASSERT_EQ(dib.info->bmiHeader.biBitCount, 4);
    const PaletteEntry& shown = dib.logPalette.palPalEntry[getpixel(dib, 0, 0)];
    EXPECT_EQ(shown.peRed + shown.peGreen + shown.peBlue, 3 * 255);

    // Not transparent, the same index has no colour.
    EXPECT_EQ(LoadError(ColourNine(3)), "Palette index 9 is past the colour table of 4 entries.");
}

}  // namespace
}  // namespace grimora
