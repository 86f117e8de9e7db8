// SPDX-License-Identifier: GPL-3.0-or-later
// The TGA reader against files written by netpbm, ImageMagick and Pillow and
// variants written byte by byte (scripts/make-own-format-fixtures.sh), and
// against broken files.
#include <span>
#include <string>

#include <gtest/gtest.h>

#include "picture/tga_reader.h"
#include "reader_fixtures.h"

namespace grimora {
namespace {

using namespace fixtures;

const std::string kFolder = "tga";

Bytes Fixture(const std::string& name) {
    return ReadFile(std::string(GRIMORA_FIXTURES) + "/tga/" + name);
}

class TgaEncodedByOthers : public testing::TestWithParam<FixtureCase> {};

TEST_P(TgaEncodedByOthers, ReadsAsTheEncoderSawIt) {
    ExpectFixture(kFolder, GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, TgaEncodedByOthers,
    testing::Values(FixtureCase{"netpbm_type1_8bit.tga", "colour.ppm", 8},
                    FixtureCase{"netpbm_type9_8bit.tga", "colour.ppm", 8},
                    FixtureCase{"netpbm_type1_cmap16.tga", "c555.ppm", 8},
                    FixtureCase{"netpbm_type2_24bit.tga", "rgb.ppm", 24},
                    FixtureCase{"netpbm_type11_8bit.tga", "grey.ppm", 8},
                    FixtureCase{"magick_type1_8bit_top.tga", "colour.ppm", 8},
                    FixtureCase{"magick_type9_8bit_top.tga", "colour.ppm", 8},
                    FixtureCase{"magick_type10_24bit_top.tga", "rgb.ppm", 24},
                    FixtureCase{"magick_type3_8bit_top.tga", "grey.ppm", 8},
                    FixtureCase{"magick_type2_32bit_alpha_top.tga", "alpha_white.ppm", 24},
                    FixtureCase{"pillow_type1_8bit.tga", "colour.ppm", 8},
                    FixtureCase{"pillow_type9_8bit_top.tga", "colour.ppm", 8},
                    FixtureCase{"pillow_type10_24bit.tga", "rgb.ppm", 24},
                    FixtureCase{"pillow_type2_24bit_top.tga", "rgb.ppm", 24},
                    FixtureCase{"pillow_type11_8bit.tga", "grey.ppm", 8},
                    FixtureCase{"pillow_type2_32bit_alpha.tga", "alpha_white.ppm", 24},
                    FixtureCase{"pillow_type10_32bit_alpha_top.tga", "alpha_white.ppm", 24},
                    FixtureCase{"hand_type2_16bit.tga", "c555.ppm", 24},
                    FixtureCase{"hand_type10_15bit_footer.tga", "c555.ppm", 24},
                    FixtureCase{"hand_type1_cmap15_first3.tga", "c555.ppm", 8},
                    FixtureCase{"hand_type9_cmap32.tga", "colour.ppm", 8},
                    FixtureCase{"hand_type2_24bit_right_to_left.tga", "rgb.ppm", 24}),
    FixtureName);

// The 18-byte header of a picture without a colour map, then `data`.
Bytes Header(int type, int width, int height, int bits, int descriptor, const Bytes& data) {
    Bytes out = {0,
                 0,
                 static_cast<uint8_t>(type),
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 0,
                 static_cast<uint8_t>(width),
                 static_cast<uint8_t>(width >> 8),
                 static_cast<uint8_t>(height),
                 static_cast<uint8_t>(height >> 8),
                 static_cast<uint8_t>(bits),
                 static_cast<uint8_t>(descriptor)};
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes Patched(const char* fixture, std::size_t at, uint8_t value) {
    Bytes b = Fixture(fixture);
    b[at] = value;
    return b;
}

class TgaBroken : public testing::TestWithParam<BrokenCase> {};

TEST_P(TgaBroken, IsRefusedWithItsFault) {
    ExpectRefused(GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Files, TgaBroken,
    testing::Values(
        // A tiny file claiming a huge picture is refused before memory is taken.
        BrokenCase{"HugeClaim", [] { return Header(2, 65535, 65535, 24, 0, Bytes(64)); },
                   "too large"},
        BrokenCase{"ClaimPastTheData", [] { return Header(10, 8000, 8000, 24, 0, Bytes(300)); },
                   "too short"},
        BrokenCase{"UncompressedCutShort",
                   [] {
                       const Bytes b = Fixture("netpbm_type2_24bit.tga");
                       return Bytes(b.begin(), b.end() - 1);
                   },
                   "too short"},
        // 4 pixels: a literal of 2, then a run of 3 that goes past the last pixel.
        BrokenCase{"RunPastThePicture",
                   [] {
                       return Header(11, 2, 2, 8, 0, {0x01, 9, 9, 0x82, 7, 0x00, 1});
                   },
                   "past the end of the picture"},
        BrokenCase{"RunCutShort",
                   [] {
                       return Header(11, 2, 2, 8, 0, {0x01, 9, 9, 0x00});
                   },
                   "ends inside the run-length data"},
        BrokenCase{"IndexOutsideTheMap",
                   [] { return Patched("hand_type1_cmap15_first3.tga", 18 + 32, 1); },
                   "outside the colour map"},
        BrokenCase{"MapCutShort",
                   [] {
                       const Bytes b = Fixture("netpbm_type1_8bit.tga");
                       return Bytes(b.begin(), b.begin() + 18 + b[0] + 5);
                   },
                   "ends inside the colour map"},
        BrokenCase{"SixteenBitIndices", [] { return Patched("pillow_type1_8bit.tga", 16, 16); },
                   "16-bit indices"}),
    BrokenName);

// TGA has no magic number, so the sniff must turn away the files of every
// other format and anything with a field that no TGA file holds.
TEST(TgaSniff, TakesOnlyWhatATgaHeaderCanSay) {
    const std::string base = std::string(GRIMORA_FIXTURES) + "/";
    for (const char* other :
         {"pcx/netpbm_8bit.pcx", "pcx/magick_24bit.pcx", "iff/netpbm_4planes.iff",
          "iff/hand_pbm_byterun1.lbm", "bmp/netpbm_info_4bit.bmp", "tga/colour.ppm"}) {
        const Bytes b = ReadFile(base + other);
        EXPECT_FALSE(IsTgaFile(std::span(b))) << other;
    }
    const Bytes valid = Header(2, 3, 2, 24, 0, Bytes(18));
    EXPECT_TRUE(IsTgaFile(std::span(valid)));
    struct Field {
        const char* name;
        std::size_t at;
        uint8_t value;
    };
    for (const Field& f : {Field{"map type", 1, 2}, Field{"image type", 2, 4},
                           Field{"depth for the type", 16, 8}, Field{"interleaving", 17, 0x40},
                           Field{"zero width", 12, 0}, Field{"map fields without a map", 7, 24}}) {
        Bytes b = valid;
        b[f.at] = f.value;
        EXPECT_FALSE(IsTgaFile(std::span(b))) << f.name;
    }
    // With the footer of the second version, stray map fields are allowed.
    Bytes footed = valid;
    footed[7] = 24;
    footed.insert(footed.end(), 8, 0);
    const std::string signature = "TRUEVISION-XFILE.";
    footed.insert(footed.end(), signature.begin(), signature.end());
    footed.push_back(0);
    EXPECT_TRUE(IsTgaFile(std::span(footed)));
}

TEST(TgaProgress, RisesRowByRowToTheEnd) {
    std::vector<int> seen;
    const OwnedDib dib =
        Load(Fixture("pillow_type10_24bit.tga"), [&](int percent) { seen.push_back(percent); });
    ASSERT_NE(dib->bits, nullptr) << dib->errorText;
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen.back(), 100);
    EXPECT_GE(seen.size(), 7u);  // one per row at least
}

}  // namespace
}  // namespace grimora
