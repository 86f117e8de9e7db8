// SPDX-License-Identifier: GPL-3.0-or-later
// Files written by other encoders (Pillow, ImageMagick, netpbm; made by
// scripts/make-library-fixtures.sh) load as the picture they were made from.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/open_dib.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"

namespace grimora {
namespace {

const std::string kFixtures = std::string(GRIMORA_FIXTURES) + "/";

struct Reference {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // top row first
};

// Binary PPM with maxval 255, as Pillow writes it.
Reference ReadPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    Reference ref;
    in >> magic >> ref.width >> ref.height >> maxval;
    in.get();
    ref.rgb.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    EXPECT_EQ(magic, "P6") << path;
    EXPECT_EQ(maxval, 255) << path;
    EXPECT_EQ(ref.rgb.size(), std::size_t(ref.width) * ref.height * 3) << path;
    return ref;
}

// The colour a pixel shows: palette indices through logPalette.
void PixelColour(const Dib& dib, int x, int memoryRow, int rgb[3]) {
    const uint32_t v = getpixel(dib, x, memoryRow);
    if (dib.info->bmiHeader.biBitCount <= 8) {
        const PaletteEntry& e = dib.logPalette.palPalEntry[v];
        rgb[0] = e.peRed;
        rgb[1] = e.peGreen;
        rgb[2] = e.peBlue;
    } else {
        rgb[0] = int(v & 0xFF);
        rgb[1] = int(v >> 8 & 0xFF);
        rgb[2] = int(v >> 16 & 0xFF);
    }
}

struct FixtureCase {
    const char* file;
    const char* reference;
    int deliveredBits;
    int tolerance;  // largest difference of one channel
};

void PrintTo(const FixtureCase& c, std::ostream* out) {
    *out << c.file;
}

class LibraryFixtures : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(LibraryFixtures, LoadAsTheEncoderSawThem) {
    const FixtureCase& c = GetParam();
    std::vector<int> percents;
    Dib loaded;
    OpenDib(loaded, (kFixtures + c.file).c_str(), [&](int p) { percents.push_back(p); });
    const OwnedDib dib(loaded);
    ASSERT_NE(dib->bits, nullptr) << dib->errorText;
    const Reference ref = ReadPpm(kFixtures + c.reference);
    ASSERT_EQ(dib->info->bmiHeader.biWidth, ref.width);
    ASSERT_EQ(dib->info->bmiHeader.biHeight, ref.height);
    EXPECT_EQ(dib->info->bmiHeader.biBitCount, c.deliveredBits);
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);

    int worst = 0;
    std::ostringstream first;
    for (int top = 0; top < ref.height; ++top) {
        for (int x = 0; x < ref.width; ++x) {
            int got[3];
            PixelColour(*dib, x, ref.height - 1 - top, got);
            const uint8_t* want = &ref.rgb[(std::size_t(top) * ref.width + x) * 3];
            for (int k = 0; k < 3; ++k) {
                const int d = std::abs(got[k] - want[k]);
                if (d > c.tolerance && first.tellp() == 0) {
                    first << "first difference at x " << x << ", y " << top << " from the top: got "
                          << got[0] << "," << got[1] << "," << got[2] << ", expected "
                          << int(want[0]) << "," << int(want[1]) << "," << int(want[2]);
                }
                worst = std::max(worst, d);
            }
        }
    }
    EXPECT_LE(worst, c.tolerance) << first.str();

    if (c.deliveredBits <= 8) {
        // Drawing uses the colour table, conversion logPalette: both are filled.
        ASSERT_EQ(dib->logPalette.palNumEntries, 1 << c.deliveredBits);
        EXPECT_NE(dib->palette, nullptr);
        for (int i = 0; i < (1 << c.deliveredBits); ++i) {
            const RgbQuad& q = dib->info->bmiColors[i];
            const PaletteEntry& e = dib->logPalette.palPalEntry[i];
            ASSERT_TRUE(q.rgbRed == e.peRed && q.rgbGreen == e.peGreen && q.rgbBlue == e.peBlue)
                << "entry " << i;
        }
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
