// SPDX-License-Identifier: GPL-3.0-or-later
// The bitmap reader against files written by other programs (netpbm,
// ImageMagick, Pillow; scripts/make-bmp-fixtures.sh), against variants of them
// rebuilt here from the documented layout, and against broken files.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "picture/bmp_reader.h"
#include "picture/open_dib.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"
#include "reader_fixtures.h"

namespace grimora {
namespace {

using namespace fixtures;

const std::string kFixtures = std::string(GRIMORA_FIXTURES) + "/bmp/";

Bytes Fixture(const std::string& name) {
    return ReadFile(kFixtures + name);
}

uint32_t U32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}

void PutU32(Bytes& b, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

void PutU16(Bytes& b, std::size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

Reference Ppm(const std::string& name) {
    return ReadPpm(kFixtures + name);
}

class EncodedByOthers : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(EncodedByOthers, ReadsAsTheEncoderSawIt) {
    ExpectFixture("bmp", GetParam());
}

// The 1-bit files hold two colours other than black and white, so they arrive
// at 8 bits with those colours rather than as a black-and-white picture.
INSTANTIATE_TEST_SUITE_P(
    Fixtures, EncodedByOthers,
    ::testing::Values(FixtureCase{"netpbm_core_1bit.bmp", "two.ppm", 8},
                      FixtureCase{"netpbm_core_4bit.bmp", "colour.ppm", 4},
                      FixtureCase{"netpbm_core_8bit.bmp", "colour.ppm", 8},
                      FixtureCase{"netpbm_core_24bit.bmp", "colour.ppm", 24},
                      FixtureCase{"netpbm_info_1bit.bmp", "two.ppm", 8},
                      FixtureCase{"netpbm_info_4bit.bmp", "colour.ppm", 4},
                      FixtureCase{"pillow_info_8bit.bmp", "colour.ppm", 8},
                      FixtureCase{"magick_info_8bit_rle8.bmp", "colour.ppm", 8},
                      FixtureCase{"magick_info_24bit.bmp", "colour.ppm", 24},
                      FixtureCase{"pillow_info_32bit.bmp", "colour.ppm", 24},
                      FixtureCase{"magick_v5_4bit.bmp", "colour.ppm", 4},
                      FixtureCase{"magick_v5_16bit_555.bmp", "magick_v5_16bit_555.ppm", 24},
                      FixtureCase{"magick_v5_16bit_565.bmp", "magick_v5_16bit_565.ppm", 24},
                      FixtureCase{"magick_v5_24bit.bmp", "colour.ppm", 24},
                      FixtureCase{"magick_v5_32bit_alpha.bmp", "colour.ppm", 24}),
    FixtureName);

// Rebuilds a bitmap file with an info header of another length: the header is
// cut or padded with zeros, and the offsets move with the data after it.
Bytes WithHeaderSize(const Bytes& file, uint32_t newSize) {
    const uint32_t oldSize = U32(file, 14);
    Bytes out(file.begin(), file.begin() + 14);
    Bytes header(file.begin() + 14, file.begin() + 14 + oldSize);
    header.resize(newSize, 0);
    PutU32(header, 0, newSize);
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), file.begin() + 14 + oldSize, file.end());
    PutU32(out, 2, static_cast<uint32_t>(out.size()));
    PutU32(out, 10, U32(file, 10) + newSize - oldSize);
    return out;
}

// A V5 bit-field file as a 40-byte header followed by its three masks.
Bytes WithMasksAfterInfoHeader(const Bytes& v5) {
    Bytes out(v5.begin(), v5.begin() + 14 + 40);
    PutU32(out, 14, 40);
    out.insert(out.end(), v5.begin() + 14 + 40, v5.begin() + 14 + 52);
    out.insert(out.end(), v5.begin() + 14 + 124, v5.end());
    PutU32(out, 10, U32(v5, 10) - 124 + 52);
    return out;
}

// An uncompressed file stored top-down: rows reversed, height negated.
Bytes TopDown(const Bytes& file) {
    const int32_t width = static_cast<int32_t>(U32(file, 18));
    const int32_t height = static_cast<int32_t>(U32(file, 22));
    const int bits = file[28];
    const std::size_t stride = static_cast<std::size_t>((width * bits + 31) / 32 * 4);
    const std::size_t data = U32(file, 10);
    Bytes out = file;
    for (int32_t r = 0; r < height; ++r) {
        std::memcpy(&out[data + r * stride], &file[data + (height - 1 - r) * stride], stride);
    }
    PutU32(out, 22, static_cast<uint32_t>(-height));
    return out;
}

// The first member of an OS/2 bitmap array, whose offsets count from the
// start of the whole file.
Bytes InBitmapArray(const Bytes& file) {
    Bytes out = {'B', 'A', 40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    out.insert(out.end(), file.begin(), file.end());
    PutU32(out, 14 + 10, U32(file, 10) + 14);
    return out;
}

struct VariantCase {
    const char* name;
    const char* source;
    std::function<Bytes(const Bytes&)> rebuild;
    const char* reference;
};

void PrintTo(const VariantCase& c, std::ostream* out) {
    *out << c.name;
}

class RebuiltVariants : public ::testing::TestWithParam<VariantCase> {};

TEST_P(RebuiltVariants, ReadAsTheirSource) {
    const VariantCase& c = GetParam();
    const OwnedDib dib = Load(c.rebuild(Fixture(c.source)));
    ExpectPicture(*dib, Ppm(c.reference));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, RebuiltVariants,
    ::testing::Values(
        VariantCase{"Os2v2Header64", "pillow_info_8bit.bmp",
                    [](const Bytes& b) { return WithHeaderSize(b, 64); }, "colour.ppm"},
        // 16 bytes hold no colour count: 256 are implied, 16 fit before the data.
        VariantCase{"Os2v2Header16", "pillow_info_8bit.bmp",
                    [](const Bytes& b) { return WithHeaderSize(b, 16); }, "colour.ppm"},
        VariantCase{"Os2v2Header24Rle8", "magick_info_8bit_rle8.bmp",
                    [](const Bytes& b) { return WithHeaderSize(b, 24); }, "colour.ppm"},
        VariantCase{"V4Header565", "magick_v5_16bit_565.bmp",
                    [](const Bytes& b) { return WithHeaderSize(b, 108); },
                    "magick_v5_16bit_565.ppm"},
        VariantCase{"V4Header32BitAlpha", "magick_v5_32bit_alpha.bmp",
                    [](const Bytes& b) { return WithHeaderSize(b, 108); }, "colour.ppm"},
        VariantCase{"V3Header56", "magick_v5_32bit_alpha.bmp",
                    [](const Bytes& b) { return WithHeaderSize(b, 56); }, "colour.ppm"},
        VariantCase{"V2Header52", "magick_v5_16bit_555.bmp",
                    [](const Bytes& b) { return WithHeaderSize(b, 52); },
                    "magick_v5_16bit_555.ppm"},
        VariantCase{"InfoHeaderWithMasks", "magick_v5_16bit_565.bmp", WithMasksAfterInfoHeader,
                    "magick_v5_16bit_565.ppm"},
        VariantCase{"TopDown24", "magick_info_24bit.bmp", TopDown, "colour.ppm"},
        VariantCase{"TopDown4", "netpbm_info_4bit.bmp", TopDown, "colour.ppm"},
        VariantCase{"BitmapArray", "netpbm_core_8bit.bmp", InBitmapArray, "colour.ppm"},
        VariantCase{"DataOffsetZero", "netpbm_info_4bit.bmp",
                    [](const Bytes& b) {
                        Bytes out = b;
                        PutU32(out, 10, 0);
                        return out;
                    },
                    "colour.ppm"},
        // After the last row's end mark the end-of-picture mark may be missing.
        VariantCase{"RleWithoutEndMark", "magick_info_8bit_rle8.bmp",
                    [](const Bytes& b) { return Bytes(b.begin(), b.end() - 2); }, "colour.ppm"},
        VariantCase{"LastRowPaddingLeftOut", "magick_info_24bit.bmp",
                    [](const Bytes& b) { return Bytes(b.begin(), b.end() - 1); }, "colour.ppm"}),
    [](const auto& info) { return std::string(info.param.name); });

// A bitmap with a 40-byte header and a 16-entry grey colour table (entry i is
// 17 i), followed by `data`.
Bytes HandMade(int32_t width, int32_t height, int bits, uint32_t compression, const Bytes& data) {
    Bytes out(14 + 40 + 16 * 4, 0);
    out[0] = 'B';
    out[1] = 'M';
    PutU32(out, 10, static_cast<uint32_t>(out.size()));
    PutU32(out, 14, 40);
    PutU32(out, 18, static_cast<uint32_t>(width));
    PutU32(out, 22, static_cast<uint32_t>(height));
    PutU16(out, 26, 1);
    PutU16(out, 28, static_cast<uint16_t>(bits));
    PutU32(out, 30, compression);
    PutU32(out, 46, 16);
    for (int i = 0; i < 16; ++i) {
        const uint8_t grey = static_cast<uint8_t>(17 * i);
        out[54 + 4 * i] = out[55 + 4 * i] = out[56 + 4 * i] = grey;
    }
    out.insert(out.end(), data.begin(), data.end());
    PutU32(out, 2, static_cast<uint32_t>(out.size()));
    return out;
}

// Palette indices of a picture, memory row 0 first.
std::vector<std::vector<int>> Indices(const Dib& dib) {
    std::vector<std::vector<int>> rows;
    for (int y = 0; y < dib.info->bmiHeader.biHeight; ++y) {
        rows.emplace_back();
        for (int x = 0; x < dib.info->bmiHeader.biWidth; ++x) {
            rows.back().push_back(static_cast<int>(getpixel(dib, x, y)));
        }
    }
    return rows;
}

// No Debian encoder writes RLE4, nor RLE8 moves; these streams are written
// out by hand from the documented encoding.
TEST(RleByHand, Rle4RunsLiteralsMovesAndPadding) {
    const Bytes stream = {
        0x05, 0x12, 0x02, 0x34, 0x00, 0x00,              // run 1 2 1 2 1, run 3 4, end of row
        0x00, 0x05, 0x56, 0x78, 0x90, 0x00, 0x02, 0xAB,  // 5 literals (3 bytes + pad), run A B
        0x00, 0x00,                                      // end of row
        0x00, 0x03, 0xCD, 0xE0,                          // 3 literals, 2 bytes, no pad
        0x00, 0x02, 0x02, 0x01,                          // move 2 right, 1 up: x 5 of row 3
        0x02, 0xFF, 0x00, 0x01,                          // run F F, end of picture
    };
    const OwnedDib dib = Load(HandMade(7, 4, 4, 2, stream));
    ASSERT_NE(dib->bits, nullptr) << dib->errorText;
    const std::vector<std::vector<int>> expected = {
        {1, 2, 1, 2, 1, 3, 4},
        {5, 6, 7, 8, 9, 10, 11},
        {12, 13, 14, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 15, 15},
    };
    EXPECT_EQ(Indices(*dib), expected);
    EXPECT_EQ(dib->info->bmiHeader.biBitCount, 4);
    EXPECT_EQ(dib->logPalette.palPalEntry[15].peGreen, 255);
}

TEST(RleByHand, Rle8MoveAndTopDown) {
    const Bytes stream = {
        0x02, 0x07, 0x00, 0x03, 0x01, 0x02, 0x03, 0x00,  // run 7 7, 3 literals + pad
        0x00, 0x00,                                      // end of row
        0x00, 0x02, 0x03, 0x01,                          // move to x 3 of the third row
        0x02, 0x09, 0x00, 0x01,                          // run 9 9, end of picture
    };
    const std::vector<std::vector<int>> bottomUp = {
        {7, 7, 1, 2, 3},
        {0, 0, 0, 0, 0},
        {0, 0, 0, 9, 9},
    };
    const OwnedDib dib = Load(HandMade(5, 3, 8, 1, stream));
    ASSERT_NE(dib->bits, nullptr) << dib->errorText;
    EXPECT_EQ(Indices(*dib), bottomUp);

    const OwnedDib flipped = Load(HandMade(5, -3, 8, 1, stream));
    ASSERT_NE(flipped->bits, nullptr) << flipped->errorText;
    EXPECT_EQ(Indices(*flipped), std::vector<std::vector<int>>(bottomUp.rbegin(), bottomUp.rend()));
}

TEST(PaletteIndices, AShortColourTableIsEnoughWhenThePixelsStayInIt) {
    // Two colours declared; the pixel nibbles of the row padding are no pixels.
    Bytes file = HandMade(1, 1, 4, 0, {0x1F, 0xFF, 0xFF, 0xFF});
    PutU32(file, 46, 2);
    const OwnedDib dib = Load(file);
    ASSERT_NE(dib->bits, nullptr) << dib->errorText;
    EXPECT_EQ(Colour(*dib, 0, 0), Rgb(17, 17, 17));
    ExpectPaletteFilled(*dib);
}

struct BrokenCase {
    const char* name;
    std::function<Bytes()> make;
    const char* message;  // a part of the expected message
};

Bytes Patched(const char* fixture, std::size_t at, uint32_t value) {
    Bytes b = Fixture(fixture);
    PutU32(b, at, value);
    return b;
}

Bytes Rle8(int32_t width, int32_t height, const Bytes& stream) {
    return HandMade(width, height, 8, 1, stream);
}

void PrintTo(const BrokenCase& c, std::ostream* out) {
    *out << c.name;
}

class BrokenFiles : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenFiles, AreRefusedWithAMessage) {
    const BrokenCase& c = GetParam();
    const Bytes file = c.make();
    Dib dib;
    OpenDibFromMemory(dib, file.data(), file.size(), nullptr);
    EXPECT_EQ(dib.bits, nullptr);
    EXPECT_EQ(dib.allocation, nullptr);
    EXPECT_NE(std::string(dib.errorText).find(c.message), std::string::npos)
        << "got \"" << dib.errorText << "\"";
}

constexpr const char* k24 = "magick_info_24bit.bmp";
constexpr const char* k565 = "magick_v5_16bit_565.bmp";

INSTANTIATE_TEST_SUITE_P(
    Faults, BrokenFiles,
    ::testing::Values(
        BrokenCase{"Empty", [] { return Bytes{}; }, "The file is empty."},
        BrokenCase{"NotAPicture",
                   [] {
                       return Bytes{'h', 'e', 'l', 'l', 'o'};
                   },
                   "This is not a picture file that Grimora can read."},
        BrokenCase{"HugeSides", [] { return Patched(k24, 18, 100000); },
                   "too large: 100000 × 7 pixels"},
        BrokenCase{"OverThePixelLimit",
                   [] {
                       Bytes b = Patched(k24, 18, 30000);
                       PutU32(b, 22, 30000);
                       return b;
                   },
                   "too large: 30000 × 30000 pixels"},
        BrokenCase{"MostNegativeHeight", [] { return Patched(k24, 22, 0x80000000u); }, "too large"},
        BrokenCase{"NegativeWidth", [] { return Patched(k24, 18, 0xFFFFFFF3u); },
                   "size is invalid: -13 × 7"},
        BrokenCase{"UnknownCompression", [] { return Patched(k24, 30, 7); },
                   "Unknown compression 7."},
        BrokenCase{"Os2Huffman",
                   [] { return WithHeaderSize(Patched("netpbm_info_1bit.bmp", 30, 3), 64); },
                   "Huffman"},
        BrokenCase{"Rle8At24Bits", [] { return Patched(k24, 30, 1); }, "RLE8"},
        BrokenCase{"SevenBits",
                   [] {
                       Bytes b = Fixture(k24);
                       PutU16(b, 28, 7);
                       return b;
                   },
                   "Unsupported colour depth: 7"},
        BrokenCase{"HeaderSize200", [] { return Patched(k24, 14, 200); },
                   "Unknown bitmap header size 200."},
        BrokenCase{"DataOffsetPastTheEnd", [] { return Patched(k24, 10, 100000); },
                   "ends before the picture data"},
        BrokenCase{"DataOffsetInsideHeader", [] { return Patched(k24, 10, 20); },
                   "points inside the bitmap header"},
        BrokenCase{"NoColourTable", [] { return Patched("pillow_info_8bit.bmp", 10, 54); },
                   "colour table is missing"},
        BrokenCase{"ZeroGreenMask", [] { return Patched(k565, 14 + 44, 0); },
                   "green bit-field mask is zero"},
        BrokenCase{"OverlappingMasks", [] { return Patched(k565, 14 + 40, 0xFC00); }, "overlap"},
        BrokenCase{"GappedMask", [] { return Patched(k565, 14 + 48, 0x0011); }, "contiguous"},
        BrokenCase{"MaskPastSixteenBits", [] { return Patched(k565, 14 + 40, 0x1F0000); },
                   "does not fit in 16 bits"},
        BrokenCase{"RleRunPastPaddedRow",
                   [] {
                       return Rle8(5, 1, {9, 1, 0, 1});
                   },
                   "past the end of a row"},
        BrokenCase{"RleRunPastLastRow",
                   [] {
                       return Rle8(5, 1, {0, 0, 2, 1, 0, 1});
                   },
                   "past the end of the picture"},
        BrokenCase{"RleMovePastTop",
                   [] {
                       return Rle8(5, 2, {0, 2, 0, 3, 0, 1});
                   },
                   "move goes past"},
        BrokenCase{"RleMovePastRight",
                   [] {
                       return Rle8(5, 2, {0, 2, 9, 0, 0, 1});
                   },
                   "move goes past"},
        BrokenCase{"Rle4RunPastPaddedRow",
                   [] {
                       return HandMade(3, 1, 4, 2, {9, 0x11, 0, 1});
                   },
                   "past the end of a row"},
        BrokenCase{"PaletteIndexPastTheTable",
                   [] {
                       Bytes b = HandMade(2, 1, 8, 0, {0x01, 200, 0x00, 0x00});
                       PutU32(b, 46, 2);
                       return b;
                   },
                   "Palette index 200 is past the colour table of 2 entries."},
        BrokenCase{"Rle4IndexPastTheTable",
                   [] {
                       Bytes b = HandMade(3, 1, 4, 2, {3, 0x1E, 0, 1});
                       PutU32(b, 46, 8);
                       return b;
                   },
                   "Palette index 14 is past the colour table of 8 entries."},
        BrokenCase{"RleCutInLiteral",
                   [] {
                       return Rle8(5, 1, {0, 5, 1, 2});
                   },
                   "ends before the picture data"},
        BrokenCase{"RleEndsEarly",
                   [] {
                       return Rle8(5, 3, {2, 1, 0, 0});
                   },
                   "ends before the picture data"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BrokenFiles, EveryTruncationIsRefused) {
    // Cuts inside the file header, the info header, the colour table, and
    // the pixel rows of an uncompressed and of an RLE file.
    for (const char* name : {"pillow_info_8bit.bmp", "magick_info_8bit_rle8.bmp",
                             "magick_v5_16bit_565.bmp", "netpbm_core_4bit.bmp"}) {
        const Bytes whole = Fixture(name);
        const std::size_t data = U32(whole, 10);
        for (const std::size_t cut :
             {std::size_t{1}, std::size_t{2}, std::size_t{10}, std::size_t{14}, std::size_t{17},
              std::size_t{30}, data - 5, data, data + 1, data + (whole.size() - data) / 2,
              whole.size() - 6}) {
            Dib dib;
            OpenDibFromMemory(dib, whole.data(), cut, nullptr);
            EXPECT_EQ(dib.bits, nullptr) << name << " cut at " << cut;
            EXPECT_NE(dib.errorText[0], '\0') << name << " cut at " << cut;
        }
    }
}

TEST(Progress, RisesFromZeroToHundred) {
    for (const char* name : {"magick_info_24bit.bmp", "magick_info_8bit_rle8.bmp"}) {
        const Bytes file = Fixture(name);
        std::vector<int> seen;
        Dib dib;
        OpenDibFromMemory(dib, file.data(), file.size(), [&](int p) { seen.push_back(p); });
        const OwnedDib owned(dib);
        ASSERT_NE(dib.bits, nullptr) << name;
        ASSERT_GE(seen.size(), 3u) << name;
        EXPECT_EQ(seen.front(), 0) << name;
        EXPECT_EQ(seen.back(), 100) << name;
        for (std::size_t i = 1; i < seen.size(); ++i) {
            EXPECT_GT(seen[i], seen[i - 1]) << name;
        }
    }
}

class OpenDibFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("grimora_open_dib_" +
                   std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string open(const std::string& path) {
        Dib dib;
        OpenDib(dib, path.c_str(), nullptr);
        EXPECT_EQ(dib.bits, nullptr);
        return dib.errorText;
    }

    std::filesystem::path folder_;
};

TEST_F(OpenDibFile, ReadsByContentWhateverTheName) {
    const std::filesystem::path renamed = folder_ / "picture.gif";
    std::filesystem::copy_file(kFixtures + "netpbm_core_8bit.bmp", renamed);
    Dib dib;
    OpenDib(dib, renamed.c_str(), nullptr);
    const OwnedDib owned(dib);
    ExpectPicture(dib, Ppm("colour.ppm"));
}

TEST_F(OpenDibFile, ReportsWhyItCannotOpen) {
    EXPECT_EQ(open((folder_ / "missing.bmp").string()),
              "Cannot open the file: No such file or directory.");
    EXPECT_EQ(open(folder_.string()), "Cannot open the file: Is a directory.");
    std::ofstream((folder_ / "empty.bmp").string()).close();
    EXPECT_EQ(open((folder_ / "empty.bmp").string()), "The file is empty.");
    // A pipe would block the open, a device never end.
    const std::string pipe = (folder_ / "pipe.bmp").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(open(pipe), "Cannot open the file: it is not a regular file.");
    EXPECT_EQ(open("/dev/zero"), "Cannot open the file: it is not a regular file.");
}

}  // namespace
}  // namespace grimora
