// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <tiffio.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "picture/open_dib.h"
#include "picture/owned_dib.h"
#include "reader_fixtures.h"

namespace grimora {
namespace {

using fixtures::Bytes;
using fixtures::LoadError;

Bytes Fixture(const std::string& name) {
    return fixtures::FixtureFile("tiff", name);
}

struct Tag {
    uint16_t id;
    uint16_t type;  // 3 SHORT, 4 LONG
    uint32_t value;
};

// A little-endian TIFF of one uncompressed strip holding `data`, whose
// directory has the tags given and the strip's offset and byte count.
Bytes Tiff(std::vector<Tag> tags, const Bytes& data) {
    const uint32_t dataAt = 8;
    tags.push_back({273, 4, dataAt});
    tags.push_back({279, 4, static_cast<uint32_t>(data.size())});
    std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.id < b.id; });
    Bytes b = {'I', 'I', 42, 0};
    const auto put16 = [&](uint16_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    const auto put32 = [&](uint32_t v) {
        put16(uint16_t(v));
        put16(uint16_t(v >> 16));
    };
    put32(dataAt + static_cast<uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    put16(static_cast<uint16_t>(tags.size()));
    for (const Tag& t : tags) {
        put16(t.id);
        put16(t.type);
        put32(1);
        if (t.type == 3) {
            put16(uint16_t(t.value));
            put16(0);
        } else {
            put32(t.value);
        }
    }
    put32(0);
    return b;
}

std::vector<Tag> Grey(uint32_t width, uint32_t height, uint16_t bits = 8) {
    return {{256, 4, width}, {257, 4, height}, {258, 3, bits},  {259, 3, 1},
            {262, 3, 1},     {277, 3, 1},      {278, 4, height}};
}

TEST(TiffReader, ReadsAHandMadeGreyPicture) {
    Dib dib;
    const Bytes file = Tiff(Grey(3, 2), {10, 20, 30, 40, 50, 60});
    OpenDibFromMemory(dib, file.data(), file.size(), nullptr);
    const OwnedDib picture(dib);
    ASSERT_NE(dib.bits, nullptr) << dib.errorText;
    ASSERT_EQ(dib.info->bmiHeader.biBitCount, 8);
    // The first stored row is the top one, memory row 1.
    EXPECT_EQ(dib.logPalette.palPalEntry[getpixel(dib, 0, 1)].peRed, 10);
    EXPECT_EQ(dib.logPalette.palPalEntry[getpixel(dib, 2, 0)].peRed, 60);
}

TEST(TiffReader, RefusesBrokenAndHostileFiles) {
    const Bytes whole = Fixture("pillow_rgb_lzw.tif");
    std::vector<Tag> floats = Grey(2, 1, 32);
    floats.push_back({339, 3, 3});  // sample format: floating point
    const struct {
        const char* what;
        Bytes file;
        std::string error;
    } cases[] = {
        {"size beyond the limits", Tiff(Grey(60000, 60000), {0}),
         "The picture is too large: 60000 × 60000 pixels."},
        {"no size", Tiff({{258, 3, 8}, {262, 3, 1}}, {0}),
         "The TIFF file cannot be read: MissingRequired: TIFF directory is missing required "
         "\"ImageLength\" field."},
        {"strip shorter than the picture", Tiff(Grey(30, 20), {1, 2, 3}),
         "The TIFF file cannot be read: TIFFFillStrip: Read error on strip 0; got 117 bytes, "
         "expected 600."},
        {"floating-point samples", Tiff(floats, Bytes(8, 0)),
         "Grimora cannot read this TIFF picture: Sorry, can not handle images with 32-bit "
         "samples."},
        {"directory cut off", Bytes(whole.begin(), whole.begin() + 12),
         "The TIFF file cannot be read: TIFFFetchDirectory: Can not read TIFF directory count."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LoadError(c.file), c.error) << c.what;
    }
}

// A picture of one-row strips whose top row is stored first or last: row t
// from the top has the grey level t, as a grey picture or as indices into a
// colour map of greys.
Bytes StripedGrey(uint32_t width, uint32_t height, uint16_t orientation, bool palette) {
    char name[] = "/tmp/grimora-tiff-XXXXXX";
    const int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    ::close(fd);
    TIFF* tiff = TIFFOpen(name, "w");
    EXPECT_NE(tiff, nullptr);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, palette ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_MINISBLACK);
    std::vector<uint16_t> map(256);
    for (int i = 0; i < 256; ++i) {
        map[static_cast<std::size_t>(i)] = static_cast<uint16_t>(i * 257);
    }
    if (palette) {
        TIFFSetField(tiff, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
    }
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, orientation);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 1);
    const bool bottomUp = orientation == ORIENTATION_BOTLEFT;
    Bytes row(width);
    for (uint32_t y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), static_cast<uint8_t>(bottomUp ? height - 1 - y : y));
        TIFFWriteScanline(tiff, row.data(), y, 0);
    }
    TIFFClose(tiff);
    std::ifstream in(name, std::ios::binary);
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ::unlink(name);
    return bytes;
}

// Files of many strips are decoded band by band; each band must land where
// its rows belong whichever way up the file stores them.
TEST(TiffReader, PlacesEveryRowOfATopDownOrBottomUpFile) {
    for (const int variant : {0, 1, 2, 3}) {
        const uint16_t orientation = variant % 2 == 0 ? ORIENTATION_TOPLEFT : ORIENTATION_BOTLEFT;
        const bool palette = variant >= 2;
        const uint32_t height = 120;
        const Bytes file = StripedGrey(3, height, orientation, palette);
        Dib dib;
        OpenDibFromMemory(dib, file.data(), file.size(), nullptr);
        const OwnedDib picture(dib);
        ASSERT_NE(dib.bits, nullptr) << dib.errorText;
        int wrong = 0;
        for (uint32_t t = 0; t < height; ++t) {
            const auto memoryRow = static_cast<int32_t>(height - 1 - t);
            wrong += dib.logPalette.palPalEntry[getpixel(dib, 1, memoryRow)].peRed != t;
        }
        EXPECT_EQ(wrong, 0) << "orientation " << orientation << (palette ? ", palette" : "");
    }
}

}  // namespace
}  // namespace grimora
