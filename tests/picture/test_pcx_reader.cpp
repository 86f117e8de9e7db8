// SPDX-License-Identifier: GPL-3.0-or-later
// The PCX reader against files written by netpbm, ImageMagick and Pillow
// (scripts/make-own-format-fixtures.sh) and against broken files.
#include <string>

#include <gtest/gtest.h>

#include "picture/pcx_reader.h"
#include "reader_fixtures.h"

namespace grimora {
namespace {

using namespace fixtures;

Bytes Fixture(const std::string& name) {
    return ReadFile(std::string(GRIMORA_FIXTURES) + "/pcx/" + name);
}

class PcxEncodedByOthers : public testing::TestWithParam<FixtureCase> {};

TEST_P(PcxEncodedByOthers, ReadsAsTheEncoderSawIt) {
    ExpectFixture("pcx", GetParam());
}

// The 1-bit file's two colours are neither black nor white, so the loader
// hands it on at 8 bits.
INSTANTIATE_TEST_SUITE_P(Fixtures, PcxEncodedByOthers,
                         testing::Values(FixtureCase{"netpbm_1bit.pcx", "two.ppm", 8},
                                         FixtureCase{"netpbm_2bit_packed.pcx", "four.ppm", 4},
                                         FixtureCase{"netpbm_2planes.pcx", "four.ppm", 4},
                                         FixtureCase{"netpbm_4planes.pcx", "colour.ppm", 4},
                                         FixtureCase{"netpbm_4bit_packed.pcx", "colour.ppm", 4},
                                         FixtureCase{"netpbm_8bit.pcx", "colour.ppm", 8},
                                         FixtureCase{"netpbm_24bit.pcx", "rgb.ppm", 24},
                                         FixtureCase{"magick_8bit.pcx", "colour.ppm", 8},
                                         FixtureCase{"magick_24bit.pcx", "rgb.ppm", 24},
                                         FixtureCase{"magick_32bit_alpha.pcx", "alpha_white.ppm",
                                                     24},
                                         FixtureCase{"pillow_8bit.pcx", "colour.ppm", 8},
                                         FixtureCase{"pillow_8bit_grey.pcx", "grey.ppm", 8},
                                         FixtureCase{"pillow_24bit.pcx", "rgb.ppm", 24}),
                         FixtureName);

void PutU16(Bytes& b, std::size_t at, int v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A header for width x height pixels of `planes` planes of `bits` bits,
// then `data`.
Bytes Header(int width, int height, int bits, int planes, const Bytes& data) {
    Bytes out(128, 0);
    out[0] = 10;
    out[1] = 5;
    out[2] = 1;
    out[3] = static_cast<uint8_t>(bits);
    PutU16(out, 8, width - 1);
    PutU16(out, 10, height - 1);
    out[65] = static_cast<uint8_t>(planes);
    PutU16(out, 66, (width * bits + 15) / 16 * 2);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

TEST(PcxPalettes, MissingOnesFallBackToGreyAndToBlackOnWhite) {
    // 8 bits without the palette at the end: grey levels.
    const OwnedDib grey = Load(Header(2, 1, 8, 1, {0xC1, 40, 0xC1, 200}));
    ASSERT_NE(grey->bits, nullptr) << grey->errorText;
    EXPECT_EQ(grey->info->bmiHeader.biBitCount, 8);
    EXPECT_EQ(Colour(*grey, 0, 0), Rgb(40, 40, 40));
    EXPECT_EQ(Colour(*grey, 1, 0), Rgb(200, 200, 200));
    // 1 bit with an empty header palette: black on white, kept at 1 bit.
    const OwnedDib mono = Load(Header(9, 1, 1, 1, {0x80, 0x40}));
    ASSERT_NE(mono->bits, nullptr) << mono->errorText;
    EXPECT_EQ(mono->info->bmiHeader.biBitCount, 1);
    EXPECT_EQ(Colour(*mono, 0, 0), Rgb(255, 255, 255));
    EXPECT_EQ(Colour(*mono, 1, 0), Rgb(0, 0, 0));
    EXPECT_EQ(Colour(*mono, 8, 0), Rgb(0, 0, 0));
    // 4 bits with an empty header palette: the standard 16 colours.
    const OwnedDib four = Load(Header(4, 1, 4, 1, {0x01, 0x6F}));
    ASSERT_NE(four->bits, nullptr) << four->errorText;
    EXPECT_EQ(Colour(*four, 0, 0), Rgb(0, 0, 0));
    EXPECT_EQ(Colour(*four, 1, 0), Rgb(0, 0, 0xAA));
    EXPECT_EQ(Colour(*four, 2, 0), Rgb(0xAA, 0x55, 0));
    EXPECT_EQ(Colour(*four, 3, 0), Rgb(0xFF, 0xFF, 0xFF));
}

TEST(PcxRuns, MayGoOnFromOneRowIntoTheNext) {
    // 3 x 2 at 8 bits, rows of 4 bytes: one run of 6 bytes covers a row and a half.
    const OwnedDib dib = Load(Header(3, 2, 8, 1, {0xC6, 9, 0xC2, 5}));
    ASSERT_NE(dib->bits, nullptr) << dib->errorText;
    EXPECT_EQ(Colour(*dib, 0, 0), Rgb(9, 9, 9));  // memory row 0 is the second row stored
    EXPECT_EQ(Colour(*dib, 2, 0), Rgb(5, 5, 5));
    EXPECT_EQ(Colour(*dib, 2, 1), Rgb(9, 9, 9));
}

class PcxBroken : public testing::TestWithParam<BrokenCase> {};

TEST_P(PcxBroken, IsRefusedWithItsFault) {
    ExpectRefused(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Files, PcxBroken,
    testing::Values(
        // Found by fuzzing: no planes, so every row was read from no data.
        BrokenCase{"FuzzTimeoutZeroPlanes", [] { return Fixture("fuzz_timeout_zero_planes.pcx"); },
                   "0 planes"},
        BrokenCase{"HugeClaim", [] { return Header(65535, 65535, 8, 3, Bytes(64)); }, "too large"},
        BrokenCase{"ClaimPastTheData", [] { return Header(8000, 8000, 8, 3, Bytes(300)); },
                   "too short"},
        BrokenCase{"WindowInsideOut",
                   [] {
                       Bytes b = Fixture("netpbm_8bit.pcx");
                       PutU16(b, 4, 20);
                       return b;
                   },
                   "window runs from 20"},
        BrokenCase{"LineTooShort",
                   [] {
                       Bytes b = Fixture("netpbm_24bit.pcx");
                       PutU16(b, 66, 12);
                       return b;
                   },
                   "too short for 13 pixels"},
        BrokenCase{"TwoPlanesOfEightBits", [] { return Header(2, 1, 8, 2, Bytes(8)); },
                   "2 planes of 8 bits"},
        BrokenCase{"RunPastThePicture",
                   [] {
                       return Header(2, 1, 8, 1, {0xC3, 1});
                   },
                   "past the end of the picture"},
        BrokenCase{"DataCutShort",
                   [] {
                       const Bytes b = Fixture("pillow_24bit.pcx");
                       return Bytes(b.begin(), b.begin() + 160);
                   },
                   "ends inside the run-length data"}),
    BrokenName);

}  // namespace
}  // namespace grimora
