// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/open_dib.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"
#include "reader_fixtures.h"

namespace grimora {
namespace {

using fixtures::Bytes;
using fixtures::LoadError;

Bytes Fixture(const std::string& name) {
    return fixtures::FixtureFile("png", name);
}

uint32_t Crc(const uint8_t* data, std::size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void PutBe32(Bytes& file, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        file[at + i] = uint8_t(v >> (24 - 8 * i));
    }
}

// The file with another size in IHDR, and the chunk's CRC made to match.
Bytes Resized(Bytes file, uint32_t width, uint32_t height) {
    PutBe32(file, 16, width);
    PutBe32(file, 20, height);
    PutBe32(file, 29, Crc(file.data() + 12, 17));
    return file;
}

TEST(PngReader, RefusesBrokenAndHostileFiles) {
    const Bytes whole = Fixture("pillow_rgb_8bit.png");
    ASSERT_GT(whole.size(), 100u);
    Bytes badCrc = whole;
    badCrc[29] ^= 1;
    Bytes badData = whole;
    badData[whole.size() - 20] ^= 0x55;  // inside IDAT
    const struct {
        const char* what;
        Bytes file;
        std::string error;
    } cases[] = {
        {"cut in the picture data", Bytes(whole.begin(), whole.end() - 30),
         "The PNG file ends early."},
        {"cut in the header", Bytes(whole.begin(), whole.begin() + 20), "The PNG file ends early."},
        {"header CRC wrong", badCrc, "The PNG file cannot be read: IHDR: CRC error."},
        {"picture data damaged", badData,
         "The PNG file cannot be read: IDAT: incorrect data check."},
        // A tiny file whose pixels would take gigabytes is refused before
        // any memory is taken for them.
        {"side past the limit", Resized(whole, 100000, 1),
         "The PNG file cannot be read: Image width exceeds user limit in IHDR."},
        {"area past the limit", Resized(whole, 30000, 30000),
         "The picture is too large: 30000 × 30000 pixels."},
        {"whole", whole, "loaded"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LoadError(c.file), c.error) << c.what;
    }
}

// A picture much larger than its data, inside the limits: the data runs out
// long before the rows do, and loading says so.
TEST(PngReader, ALargePictureWithLittleDataEndsEarly) {
    EXPECT_EQ(LoadError(Resized(Fixture("pillow_rgb_8bit.png"), 4000, 3000)),
              "The PNG file cannot be read: Not enough image data.");
}

// Deflate data of `zeros` zero bytes in fixed-Huffman codes: one literal,
// then copies of 258 bytes at distance 1, 13 bits each. 16 MB take 100 kB.
class ZeroBomb {
public:
    explicit ZeroBomb(uint32_t zeros) {
        bytes_ = {0x78, 0x01};
        put(1, 1);      // last block
        put(1, 2);      // fixed Huffman codes
        code(0x30, 8);  // literal 0
        uint32_t left = zeros - 1;
        for (; left >= 258; left -= 258) {
            code(0xC5, 8);  // length 258
            code(0, 5);     // distance 1
        }
        for (; left > 0; --left) {
            code(0x30, 8);
        }
        code(0, 7);  // end of block; the last byte's spare bits stay zero
        const uint32_t adler = (zeros % 65521) << 16 | 1;
        for (int i = 3; i >= 0; --i) {
            bytes_.push_back(uint8_t(adler >> (8 * i)));
        }
    }
    const Bytes& bytes() const { return bytes_; }

private:
    // Bits go in from the lowest; Huffman codes go in from their highest bit.
    void put(uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            push((value >> i) & 1);
        }
    }
    void code(uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            push((value >> i) & 1);
        }
    }
    void push(uint32_t bit) {
        if (bit_ == 0) {
            bytes_.push_back(0);
        }
        bytes_.back() = uint8_t(bytes_.back() | bit << bit_);
        bit_ = (bit_ + 1) % 8;
    }

    Bytes bytes_;
    int bit_ = 0;
};

void PutChunk(Bytes& file, const char* type, const Bytes& data) {
    Bytes chunk(type, type + 4);
    chunk.insert(chunk.end(), data.begin(), data.end());
    const std::size_t at = file.size();
    file.resize(at + 4);
    PutBe32(file, at, static_cast<uint32_t>(data.size()));
    file.insert(file.end(), chunk.begin(), chunk.end());
    file.resize(file.size() + 4);
    PutBe32(file, file.size() - 4, Crc(chunk.data(), chunk.size()));
}

// A 1 x 1 grey picture of value 0x80; `text` a compressed text chunk before
// its data, `idat` its data (filter byte and pixel, stored), unless given.
Bytes OnePixel(const Bytes& text, const Bytes& idat) {
    Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(file, "IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0});
    if (!text.empty()) {
        Bytes ztxt = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 0};
        ztxt.insert(ztxt.end(), text.begin(), text.end());
        PutChunk(file, "zTXt", ztxt);
    }
    const Bytes stored = {0x78, 0x01, 0x01, 0x02, 0x00, 0xFD, 0xFF,
                          0x00, 0x80, 0x00, 0x82, 0x00, 0x81};
    PutChunk(file, "IDAT", idat.empty() ? stored : idat);
    PutChunk(file, "IEND", {});
    return file;
}

// Data that inflates far beyond what it is for: a text chunk is skipped
// unread, and image data past the picture is never inflated.
TEST(PngReader, DataThatInflatesWithoutEndIsNotInflated) {
    const ZeroBomb bomb(16u << 20);
    ASSERT_LT(bomb.bytes().size(), 110000u);
    const struct {
        const char* what;
        Bytes file;
        uint32_t pixel;
    } cases[] = {
        {"plain", OnePixel({}, {}), 0x80},
        {"text bomb", OnePixel(bomb.bytes(), {}), 0x80},
        {"image data bomb", OnePixel({}, bomb.bytes()), 0},
    };
    for (const auto& c : cases) {
        Dib dib;
        OpenDibFromMemory(dib, c.file.data(), c.file.size(), nullptr);
        const OwnedDib picture(dib);
        ASSERT_NE(dib.bits, nullptr) << c.what << ": " << dib.errorText;
        EXPECT_EQ(dib.logPalette.palPalEntry[getpixel(dib, 0, 0)].peRed, c.pixel) << c.what;
    }
}

}  // namespace
}  // namespace grimora
