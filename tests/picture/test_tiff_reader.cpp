// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
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
         "The TIFF file is damaged: TIFFReadDirectory: Bogus \"StripByteCounts\" field, "
         "ignoring and calculating from imagelength."},
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

// The file that libtiff writes as `write` says, through a temporary file.
Bytes WrittenByLibtiff(const std::function<void(TIFF*)>& write) {
    char name[] = "/tmp/grimora-tiff-XXXXXX";
    const int fd = mkstemp(name);
    EXPECT_GE(fd, 0);
    ::close(fd);
    TIFF* tiff = TIFFOpen(name, "w");
    EXPECT_NE(tiff, nullptr);
    write(tiff);
    TIFFClose(tiff);
    Bytes file = fixtures::ReadFile(name);
    ::unlink(name);
    return file;
}

// A picture of one-row strips whose top row is stored first or last: row t
// from the top has the grey level t, as a grey picture or as indices into a
// colour map of greys.
Bytes StripedGrey(uint32_t width, uint32_t height, uint16_t orientation, bool palette) {
    return WrittenByLibtiff([&](TIFF* tiff) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC,
                     palette ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_MINISBLACK);
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
    });
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

// A picture of any layout libtiff writes: its pieces (strips or tiles, which
// may reach past the picture), samples, compression and orientation, and
// the colours it must load as.
// Grey with alpha keeps it unassociated; grey planes are two, the second of
// no declared meaning.
enum class Samples {
    kGrey8,
    kGrey16,
    kRgb8,
    kRgba8,
    kRgbPlanes,
    kPalette8,
    kGreyAlpha8,
    kGreyAlpha16,
    kGreyPlanes
};

struct Layout {
    uint32_t width = 1;
    uint32_t height = 1;
    Samples samples = Samples::kGrey8;
    bool tiled = false;
    uint32_t pieceWidth = 16;  // tiles only
    uint32_t pieceLength = 1;  // tile length or rows per strip
    uint16_t compression = COMPRESSION_NONE;
    uint16_t orientation = ORIENTATION_TOPLEFT;
};

std::ostream& operator<<(std::ostream& out, const Layout& l) {
    return out << l.width << " x " << l.height << ", samples " << static_cast<int>(l.samples)
               << (l.tiled ? ", tiles " : ", strips ") << l.pieceWidth << " x " << l.pieceLength
               << ", compression " << l.compression << ", orientation " << l.orientation;
}

// Channel k (grey or red, green, blue, alpha) of the pixel x, `top` rows
// from the top: smooth, so that JPEG keeps it closely, and the first rising
// in x and in y, so that a piece out of place or a flip shows.
int Channel(const Layout& l, uint32_t x, uint32_t top, int k) {
    const uint32_t values[] = {
        20 + x * 170 / l.width + top * 60 / l.height, 30 + top * 180 / l.height,
        100 + (x + top) * 100 / (l.width + l.height), 60 + (x * 3 + top * 5) % 190};
    return static_cast<int>(values[k]);
}

fixtures::Rgb Model(const Layout& l, uint32_t x, uint32_t top) {
    const int grey = Channel(l, x, top, 0);
    switch (l.samples) {
        case Samples::kGrey8:
        case Samples::kGrey16:
        case Samples::kGreyPlanes:
            return {grey, grey, grey};
        case Samples::kPalette8:
            return {grey, 255 - grey, grey / 2};
        case Samples::kRgb8:
        case Samples::kRgbPlanes:
            return {grey, Channel(l, x, top, 1), Channel(l, x, top, 2)};
        case Samples::kRgba8:
        case Samples::kGreyAlpha8:
        case Samples::kGreyAlpha16:
            break;
    }
    // Premultiplied, rounding, and composed over white.
    const int a = Channel(l, x, top, 3);
    const auto over = [&](int k) {
        const int c = l.samples == Samples::kRgba8 ? Channel(l, x, top, k) : grey;
        return std::min(255, (a * c + 127) / 255 + 255 - a);
    };
    return {over(0), over(1), over(2)};
}

Bytes WriteLayout(const Layout& l) {
    const bool bottomUp =
        l.orientation == ORIENTATION_BOTLEFT || l.orientation == ORIENTATION_BOTRIGHT;
    const bool rightToLeft =
        l.orientation == ORIENTATION_TOPRIGHT || l.orientation == ORIENTATION_BOTRIGHT;
    const bool rgb = l.samples == Samples::kRgb8 || l.samples == Samples::kRgba8 ||
                     l.samples == Samples::kRgbPlanes;
    const bool greyAlpha = l.samples == Samples::kGreyAlpha8 || l.samples == Samples::kGreyAlpha16;
    const int channels = l.samples == Samples::kRgba8                     ? 4
                         : rgb                                            ? 3
                         : greyAlpha || l.samples == Samples::kGreyPlanes ? 2
                                                                          : 1;
    const bool planes = l.samples == Samples::kRgbPlanes || l.samples == Samples::kGreyPlanes;
    const int bytes = l.samples == Samples::kGrey16 || l.samples == Samples::kGreyAlpha16 ? 2 : 1;
    // Sample k of the stored pixel at column c of stored row s.
    const auto sample = [&](uint32_t c, uint32_t s, int k) {
        const int v = Channel(l, rightToLeft ? l.width - 1 - c : c, bottomUp ? l.height - 1 - s : s,
                              greyAlpha && k == 1 ? 3 : k);
        return static_cast<unsigned>(bytes == 2 ? v * 257 : v);
    };

    return WrittenByLibtiff([&](TIFF* tiff) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, l.width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, l.height);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, channels);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8 * bytes);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG,
                     planes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_ORIENTATION, l.orientation);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, l.compression);
        const bool jpeg = l.compression == COMPRESSION_JPEG;
        if (jpeg) {
            TIFFSetField(tiff, TIFFTAG_JPEGQUALITY, 95);
        }
        if (l.samples == Samples::kRgba8 || greyAlpha) {
            const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
        }
        std::vector<uint16_t> red(256), green(256), blue(256);
        for (unsigned i = 0; i < 256; ++i) {
            red[i] = static_cast<uint16_t>(i * 257);
            green[i] = static_cast<uint16_t>((255 - i) * 257);
            blue[i] = static_cast<uint16_t>(i / 2 * 257);
        }
        if (l.samples == Samples::kPalette8) {
            TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
            TIFFSetField(tiff, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
        } else if (jpeg && rgb) {
            TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
            TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        } else {
            TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, rgb ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
        }
        if (l.tiled) {
            TIFFSetField(tiff, TIFFTAG_TILEWIDTH, l.pieceWidth);
            TIFFSetField(tiff, TIFFTAG_TILELENGTH, l.pieceLength);
        } else {
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, l.pieceLength);
        }
        const uint32_t pieceWidth = l.tiled ? l.pieceWidth : l.width;
        const int perPixel = planes ? 1 : channels;
        Bytes piece(std::size_t{pieceWidth} * l.pieceLength * perPixel * bytes);
        for (int plane = 0; plane < (planes ? channels : 1); ++plane) {
            for (uint32_t top = 0; top < l.height; top += l.pieceLength) {
                for (uint32_t left = 0; left < l.width; left += pieceWidth) {
                    // Past the picture its edge goes on, as encoders pad, so that
                    // JPEG blocks across the edge keep its colours.
                    const uint32_t rows =
                        l.tiled ? l.pieceLength : std::min(l.pieceLength, l.height - top);
                    for (uint32_t r = 0; r < rows; ++r) {
                        for (uint32_t c = 0; c < pieceWidth; ++c) {
                            for (int k = 0; k < perPixel; ++k) {
                                const unsigned v =
                                    sample(std::min(left + c, l.width - 1),
                                           std::min(top + r, l.height - 1), planes ? plane : k);
                                const std::size_t at =
                                    ((std::size_t{r} * pieceWidth + c) * perPixel + k) * bytes;
                                if (bytes == 2) {
                                    // libtiff takes samples in the host's byte order.
                                    const auto word = static_cast<uint16_t>(v);
                                    std::memcpy(&piece[at], &word, sizeof word);
                                } else {
                                    piece[at] = static_cast<uint8_t>(v);
                                }
                            }
                        }
                    }
                    const auto s = static_cast<uint16_t>(plane);
                    const tmsize_t size =
                        static_cast<tmsize_t>(std::size_t{pieceWidth} * rows * perPixel * bytes);
                    const tmsize_t written =
                        l.tiled ? TIFFWriteEncodedTile(tiff, TIFFComputeTile(tiff, left, top, 0, s),
                                                       piece.data(), size)
                                : TIFFWriteEncodedStrip(tiff, TIFFComputeStrip(tiff, top, s),
                                                        piece.data(), size);
                    EXPECT_GE(written, 0) << l;
                }
            }
        }
    });
}

void ExpectModel(const Layout& l, int tolerance) {
    const fixtures::Reference model = [&] {
        fixtures::Reference m;
        m.width = static_cast<int>(l.width);
        m.height = static_cast<int>(l.height);
        for (uint32_t top = 0; top < l.height; ++top) {
            for (uint32_t x = 0; x < l.width; ++x) {
                m.pixels.push_back(Model(l, x, top));
            }
        }
        return m;
    }();
    const OwnedDib dib = fixtures::Load(WriteLayout(l));
    SCOPED_TRACE(testing::Message() << l);
    fixtures::ExpectPicture(*dib, model, tolerance);
}

// Strips and tiles of random sizes, often reaching past the picture, in
// every orientation that reads rows or columns backwards, are each decoded
// once into their place.
TEST(TiffReader, EveryLayoutLoadsAsItsPicture) {
    std::mt19937 random(14);
    const auto pick = [&](uint32_t low, uint32_t high) {
        return std::uniform_int_distribution<uint32_t>(low, high)(random);
    };
    constexpr uint16_t kOrientations[] = {ORIENTATION_TOPLEFT, ORIENTATION_BOTLEFT,
                                          ORIENTATION_TOPRIGHT, ORIENTATION_BOTRIGHT};
    constexpr uint16_t kLossless[] = {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE,
                                      COMPRESSION_PACKBITS};
    for (int i = 0; i < 80; ++i) {
        Layout l;
        l.width = pick(1, 90);
        l.height = pick(1, 90);
        l.samples = static_cast<Samples>(pick(0, 8));
        l.tiled = pick(0, 1) == 1;
        l.pieceWidth = 16 * pick(1, 7);
        l.pieceLength = l.tiled ? 16 * pick(1, 7) : pick(1, l.height + 20);
        l.orientation = kOrientations[pick(0, 3)];
        const bool jpeg =
            pick(0, 4) == 0 && (l.samples == Samples::kGrey8 || l.samples == Samples::kRgb8);
        if (jpeg) {
            l.compression = COMPRESSION_JPEG;
            l.pieceLength = (l.pieceLength + 15) / 16 * 16;
        } else {
            l.compression = kLossless[pick(0, 3)];
        }
        ExpectModel(l, jpeg ? 16 : 0);
    }
    // A strip of more pixels than are converted at a time.
    ExpectModel(Layout{2100, 2050, Samples::kGrey8, false, 16, 2050, COMPRESSION_ADOBE_DEFLATE,
                       ORIENTATION_BOTLEFT},
                0);
}

// JBIG that libtiff writes loads in either fill order: what a stream
// declares is checked as libtiff hands it to jbigkit, bits reversed or not.
TEST(TiffReader, JbigLoadsInEitherFillOrder) {
    std::mt19937 random(34661);
    for (const uint16_t fillOrder : {FILLORDER_MSB2LSB, FILLORDER_LSB2MSB}) {
        const uint32_t width = 1 + random() % 90;
        const uint32_t height = 1 + random() % 90;
        const uint32_t rowBytes = (width + 7) / 8;
        Bytes packed(std::size_t{rowBytes} * height);
        fixtures::Reference model{static_cast<int>(width), static_cast<int>(height), {}};
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                const bool white = random() % 2 == 1;
                packed[y * rowBytes + x / 8] |= static_cast<uint8_t>(white ? 0x80 >> (x % 8) : 0);
                const int v = white ? 255 : 0;
                model.pixels.push_back({v, v, v});
            }
        }
        const Bytes file = WrittenByLibtiff([&](TIFF* tiff) {
            TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
            TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
            TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
            TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
            TIFFSetField(tiff, TIFFTAG_FILLORDER, fillOrder);
            TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_JBIG);
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);  // its writer's only layout
            EXPECT_GE(TIFFWriteEncodedStrip(tiff, 0, packed.data(), tmsize_t(packed.size())), 0);
        });
        SCOPED_TRACE(testing::Message() << "fill order " << fillOrder);
        fixtures::ExpectPicture(*fixtures::Load(file), model);
    }
}

}  // namespace
}  // namespace grimora
