// SPDX-License-Identifier: GPL-3.0-or-later
// The IFF reader against files written by netpbm and written byte by byte
// (scripts/make-own-format-fixtures.sh), and against broken files.
#include <string>

#include <gtest/gtest.h>

#include "picture/iff_reader.h"
#include "reader_fixtures.h"

namespace grimora {
namespace {

using namespace fixtures;

Bytes Fixture(const std::string& name) {
    return ReadFile(std::string(GRIMORA_FIXTURES) + "/iff/" + name);
}

class IffEncodedByOthers : public testing::TestWithParam<FixtureCase> {};

TEST_P(IffEncodedByOthers, ReadsAsTheEncoderSawIt) {
    ExpectFixture("iff", GetParam());
}

// The 1-plane file's two colours are neither black nor white, so the loader
// hands it on at 8 bits. HAM references are netpbm's decoding of the file,
// which widens a changed channel's 4 or 6 bits with zeros where we repeat
// them (so that the largest value is 255): up to 15 and 3 apart.
INSTANTIATE_TEST_SUITE_P(Fixtures, IffEncodedByOthers,
                         testing::Values(FixtureCase{"netpbm_1plane.iff", "two.ppm", 8},
                                         FixtureCase{"netpbm_4planes.iff", "colour.ppm", 4},
                                         FixtureCase{"netpbm_4planes_uncompressed.iff",
                                                     "colour.ppm", 4},
                                         FixtureCase{"netpbm_4planes_mask.lbm", "colour.ppm", 4},
                                         FixtureCase{"netpbm_8planes.iff", "colour.ppm", 8},
                                         FixtureCase{"netpbm_24planes.iff", "rgb.ppm", 24},
                                         FixtureCase{"netpbm_ham6.iff", "netpbm_ham6.ppm", 24, 15},
                                         FixtureCase{"netpbm_ham8.iff", "netpbm_ham8.ppm", 24, 3},
                                         FixtureCase{"hand_ehb_6planes.iff", "ehb.ppm", 8},
                                         FixtureCase{"hand_pbm_byterun1.lbm", "colour.ppm", 8},
                                         FixtureCase{"hand_pbm_uncompressed.lbm", "colour.ppm", 8}),
                         FixtureName);

void Put(Bytes& out, uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void Chunk(Bytes& out, const char* tag, const Bytes& data) {
    out.insert(out.end(), tag, tag + 4);
    Put(out, static_cast<uint32_t>(data.size()), 4);
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) {
        out.push_back(0);
    }
}

struct Picture {
    int width = 2, height = 1, planes = 1, compression = 0;
    Bytes colours = {0, 0, 0, 255, 255, 255};
    Bytes body = {0x40, 0};
    bool withHeader = true, withBody = true;
};

Bytes Ilbm(const Picture& p) {
    Bytes chunks = {'I', 'L', 'B', 'M'};
    if (p.withHeader) {
        Bytes bmhd;
        Put(bmhd, static_cast<uint32_t>(p.width), 2);
        Put(bmhd, static_cast<uint32_t>(p.height), 2);
        Put(bmhd, 0, 4);
        bmhd.push_back(static_cast<uint8_t>(p.planes));
        bmhd.push_back(0);
        bmhd.push_back(static_cast<uint8_t>(p.compression));
        bmhd.resize(20, 0);
        Chunk(chunks, "BMHD", bmhd);
    }
    Chunk(chunks, "CMAP", p.colours);
    if (p.withBody) {
        Chunk(chunks, "BODY", p.body);
    }
    Bytes out = {'F', 'O', 'R', 'M'};
    Put(out, static_cast<uint32_t>(chunks.size()), 4);
    out.insert(out.end(), chunks.begin(), chunks.end());
    return out;
}

TEST(IffByteRun1, RunsLiteralsAndNoOpsMayCrossRows) {
    // 16 x 2, one plane, rows of 2 bytes: -128 does nothing; a run of 3 bytes
    // 0xF0 fills row 0 and starts row 1, a literal 0x0F ends it.
    Picture p;
    p.width = 16;
    p.height = 2;
    p.compression = 1;
    p.body = {0x80, 0xFE, 0xF0, 0x00, 0x0F};
    const OwnedDib dib = Load(Ilbm(p));
    ASSERT_NE(dib->bits, nullptr) << dib->errorText;
    ASSERT_EQ(dib->info->bmiHeader.biBitCount, 1);
    auto row = [&](int y) {
        std::string bits;
        for (int x = 0; x < 16; ++x) {
            bits += getpixel(*dib, x, y) ? '1' : '0';
        }
        return bits;
    };
    EXPECT_EQ(row(1), "1111000011110000");  // the top row is stored first
    EXPECT_EQ(row(0), "1111000000001111");
}

class IffBroken : public testing::TestWithParam<BrokenCase> {};

TEST_P(IffBroken, IsRefusedWithItsFault) {
    ExpectRefused(GetParam());
}

Bytes With(void (*change)(Picture&)) {
    Picture p;
    change(p);
    return Ilbm(p);
}

INSTANTIATE_TEST_SUITE_P(
    Files, IffBroken,
    testing::Values(
        BrokenCase{"NoHeader", [] { return With([](Picture& p) { p.withHeader = false; }); },
                   "no BMHD"},
        // The FORM length 0 ends the form before its own type: no chunks.
        BrokenCase{"FormLengthZero",
                   [] { return Bytes{'F', 'O', 'R', 'M', 0, 0, 0, 0, 'I', 'L', 'B', 'M'}; },
                   "no BMHD"},
        BrokenCase{"NoBody", [] { return With([](Picture& p) { p.withBody = false; }); },
                   "no BODY"},
        BrokenCase{"UnknownCompression", [] { return With([](Picture& p) { p.compression = 2; }); },
                   "compression 2"},
        BrokenCase{"NinePlanes", [] { return With([](Picture& p) { p.planes = 9; }); }, "9"},
        BrokenCase{"HugeClaim",
                   [] {
                       return With([](Picture& p) {
                           p.width = 65535;
                           p.height = 65535;
                       });
                   },
                   "too large"},
        BrokenCase{"ClaimPastTheData",
                   [] {
                       return With([](Picture& p) {
                           p.width = 8000;
                           p.height = 8000;
                           p.compression = 1;
                       });
                   },
                   "too short"},
        BrokenCase{"RunPastThePicture",
                   [] {
                       return With([](Picture& p) {
                           p.compression = 1;
                           p.body = {0xFC, 0xFF};  // 5 bytes for a row of 2
                       });
                   },
                   "past the end of the picture"},
        BrokenCase{"BodyCutShort",
                   [] {
                       const Bytes b = Fixture("netpbm_4planes.iff");
                       return Bytes(b.begin(), b.end() - 8);
                   },
                   "ends early"},
        BrokenCase{"ColourPastTheMap",
                   [] {
                       return With([](Picture& p) {
                           p.planes = 2;
                           p.body = {0x40, 0, 0x40, 0};  // pixel 1 is colour 3 of 2
                       });
                   },
                   "Palette index 3 is past the colour table of 2 entries."}),
    BrokenName);

}  // namespace
}  // namespace grimora
