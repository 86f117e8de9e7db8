// SPDX-License-Identifier: GPL-3.0-or-later
// Files written by other encoders (Pillow, ImageMagick, netpbm; made by
// scripts/make-library-fixtures.sh) load as the picture they were made from.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/open_dib.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"
#include "reader_fixtures.h"

namespace grimora {
namespace {

const std::string kFixtures = std::string(GRIMORA_FIXTURES) + "/";

using namespace fixtures;

class LibraryFixtures : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(LibraryFixtures, LoadAsTheEncoderSawThem) {
    const FixtureCase& c = GetParam();
    std::vector<int> percents;
    Dib loaded;
    OpenDib(loaded, (kFixtures + c.file).c_str(), [&](int p) { percents.push_back(p); });
    const OwnedDib dib(loaded);
    ExpectPicture(*dib, ReadPpm(kFixtures + c.reference), c.tolerance);
    ASSERT_NE(dib->bits, nullptr);
    EXPECT_EQ(dib->info->bmiHeader.biBitCount, c.deliveredBits);
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);
    if (c.deliveredBits <= 8) {
        ExpectPaletteFilled(*dib);
    }
    if (c.deliveredBits == 1) {
        EXPECT_EQ(getpixel(*dib, 0, 0) == 0 ? 0 : 1, getpixel(*dib, 0, 0));
        const PaletteEntry& black = dib->logPalette.palPalEntry[0];
        const PaletteEntry& white = dib->logPalette.palPalEntry[1];
        EXPECT_TRUE(black.peRed == 0 && black.peGreen == 0 && black.peBlue == 0);
        EXPECT_TRUE(white.peRed == 255 && white.peGreen == 255 && white.peBlue == 255);
    }
}

// JPEG loses a little even at quality 95; 4:2:0 subsampling a little more.
constexpr int kJpeg = 6;
constexpr int kJpegSubsampled = 12;

INSTANTIATE_TEST_SUITE_P(
    Gif, LibraryFixtures,
    ::testing::Values(FixtureCase{"gif/netpbm_1bit_bw.gif", "gif/bw.ppm", 1, 0},
                      FixtureCase{"gif/netpbm_1bit_two.gif", "gif/two.ppm", 8, 0},
                      FixtureCase{"gif/netpbm_2bit.gif", "gif/four.ppm", 4, 0},
                      FixtureCase{"gif/netpbm_4bit.gif", "gif/sixteen.ppm", 4, 0},
                      FixtureCase{"gif/netpbm_interlaced.gif", "gif/sixteen.ppm", 4, 0},
                      FixtureCase{"gif/pillow_4bit.gif", "gif/sixteen.ppm", 4, 0},
                      FixtureCase{"gif/pillow_1bit_two.gif", "gif/two.ppm", 4, 0},
                      FixtureCase{"gif/pillow_transparent.gif", "gif/sixteen_transparent.ppm", 4,
                                  0},
                      FixtureCase{"gif/pillow_two_frames.gif", "gif/sixteen.ppm", 4, 0}));

INSTANTIATE_TEST_SUITE_P(
    Png, LibraryFixtures,
    ::testing::Values(FixtureCase{"png/pillow_palette_1bit.png", "png/bw.ppm", 1, 0},
                      FixtureCase{"png/pillow_palette_1bit_white_black.png", "png/wb.ppm", 1, 0},
                      FixtureCase{"png/pillow_palette_1bit_two.png", "png/two.ppm", 8, 0},
                      FixtureCase{"png/pillow_palette_2bit.png", "png/four.ppm", 4, 0},
                      FixtureCase{"png/pillow_palette_4bit.png", "png/sixteen.ppm", 4, 0},
                      FixtureCase{"png/pillow_palette_8bit.png", "png/sixteen.ppm", 8, 0},
                      FixtureCase{"png/pillow_palette_trns.png", "png/sixteen_trns.ppm", 8, 0},
                      FixtureCase{"png/pillow_grey_8bit.png", "png/grey.ppm", 8, 0},
                      FixtureCase{"png/netpbm_grey_16bit.png", "png/grey.ppm", 8, 0},
                      FixtureCase{"png/pillow_grey_alpha.png", "png/grey_over_white.ppm", 8, 0},
                      FixtureCase{"png/pillow_rgb_8bit.png", "png/colour.ppm", 24, 0},
                      FixtureCase{"png/netpbm_rgb_16bit.png", "png/colour.ppm", 24, 0},
                      FixtureCase{"png/pillow_rgba.png", "png/colour_over_white.ppm", 24, 0},
                      FixtureCase{"png/magick_rgba_16bit.png", "png/colour_over_white.ppm", 24, 0},
                      FixtureCase{"png/magick_rgb_interlaced.png", "png/colour.ppm", 24, 0},
                      FixtureCase{"png/magick_rgba_interlaced.png", "png/colour_over_white.ppm", 24,
                                  0}));

INSTANTIATE_TEST_SUITE_P(
    Jpeg, LibraryFixtures,
    ::testing::Values(
        FixtureCase{"jpeg/pillow_baseline_444.jpg", "jpeg/smooth.ppm", 24, kJpeg},
        FixtureCase{"jpeg/pillow_baseline.jpg", "jpeg/smooth.ppm", 24, kJpegSubsampled},
        FixtureCase{"jpeg/pillow_progressive.jpg", "jpeg/smooth.ppm", 24, kJpegSubsampled},
        FixtureCase{"jpeg/magick_progressive.jpg", "jpeg/smooth.ppm", 24, kJpegSubsampled},
        FixtureCase{"jpeg/magick_cmyk.jpg", "jpeg/smooth.ppm", 24, kJpegSubsampled},
        FixtureCase{"jpeg/pillow_grey.jpg", "jpeg/smooth_grey.ppm", 8, kJpeg},
        FixtureCase{"jpeg/png-with-jpeg-extension.jpg", "jpeg/colour.ppm", 24, 0}));

INSTANTIATE_TEST_SUITE_P(
    Tiff, LibraryFixtures,
    ::testing::Values(FixtureCase{"tiff/pillow_rgb_none.tif", "tiff/colour.ppm", 24, 0},
                      FixtureCase{"tiff/pillow_rgb_lzw.tif", "tiff/colour.ppm", 24, 0},
                      FixtureCase{"tiff/pillow_rgb_deflate.tif", "tiff/colour.ppm", 24, 0},
                      FixtureCase{"tiff/pillow_rgb_packbits.tif", "tiff/colour.ppm", 24, 0},
                      FixtureCase{"tiff/magick_rgb_tiled.tif", "tiff/colour.ppm", 24, 0},
                      FixtureCase{"tiff/magick_rgb_16bit.tif", "tiff/colour.ppm", 24, 0},
                      FixtureCase{"tiff/magick_two_pages.tif", "tiff/colour.ppm", 24, 0},
                      FixtureCase{"tiff/magick_rgb_jpeg.tif", "tiff/colour.ppm", 24,
                                  kJpegSubsampled * 3},
                      FixtureCase{"tiff/pillow_rgba.tif", "tiff/colour_over_white.ppm", 24, 1},
                      FixtureCase{"tiff/pillow_palette_8bit.tif", "tiff/sixteen.ppm", 8, 0},
                      FixtureCase{"tiff/magick_palette_4bit.tif", "tiff/sixteen.ppm", 4, 0},
                      FixtureCase{"tiff/netpbm_palette_2bit.tif", "tiff/four.ppm", 4, 0},
                      FixtureCase{"tiff/pillow_grey_8bit.tif", "tiff/grey.ppm", 8, 0},
                      FixtureCase{"tiff/netpbm_grey_16bit.tif", "tiff/grey.ppm", 8, 0},
                      FixtureCase{"tiff/pillow_bilevel_g4.tif", "tiff/bw.ppm", 8, 0}));

}  // namespace
}  // namespace grimora
