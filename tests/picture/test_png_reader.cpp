// SPDX-License-Identifier: GPL-3.0-or-later
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/open_dib.h"
#include "picture/owned_dib.h"

namespace grimora {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Fixture(const std::string& name) {
    std::ifstream in(std::string(GRIMORA_FIXTURES) + "/png/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string LoadError(const Bytes& file) {
    Dib dib;
    OpenDibFromMemory(dib, file.data(), file.size(), nullptr);
    const OwnedDib picture(dib);
    return dib.bits == nullptr ? dib.errorText : "loaded";
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
        {"picture data damaged", badData, "The PNG file cannot be read: IDAT: incorrect data check."},
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

}  // namespace
}  // namespace grimora
