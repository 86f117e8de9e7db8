// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/open_dib.h"
#include "picture/owned_dib.h"
#include "reader_fixtures.h"

namespace grimora {
namespace {

using fixtures::Bytes;
using fixtures::LoadError;

Bytes Fixture(const std::string& name) {
    return fixtures::FixtureFile("jpeg", name);
}

// The file with the size in its frame header replaced.
Bytes Resized(Bytes file, uint16_t width, uint16_t height) {
    for (std::size_t i = 2; i + 9 < file.size(); ++i) {
        if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) {
            file[i + 5] = uint8_t(height >> 8);
            file[i + 6] = uint8_t(height);
            file[i + 7] = uint8_t(width >> 8);
            file[i + 8] = uint8_t(width);
            return file;
        }
    }
    ADD_FAILURE() << "no frame header";
    return file;
}

// libjpeg's own error exits and its warning of missing data end in a
// message; the process goes on.
TEST(JpegReader, RefusesBrokenAndHostileFiles) {
    for (const char* name : {"pillow_baseline.jpg", "pillow_progressive.jpg"}) {
        const Bytes whole = Fixture(name);
        ASSERT_GT(whole.size(), 400u) << name;
        const struct {
            const char* what;
            Bytes file;
            std::string error;
        } cases[] = {
            {"cut in the scans", Bytes(whole.begin(), whole.end() - 100),
             "The JPEG file ends early."},
            {"cut in the tables", Bytes(whole.begin(), whole.begin() + 100),
             "The JPEG file ends early."},
            {"size beyond the limits", Resized(whole, 60000, 60000),
             "The picture is too large: 60000 × 60000 pixels."},
            {"no width", Resized(whole, 0, 7),
             "The JPEG file cannot be read: Empty JPEG image (DNL not supported)."},
            {"markers only", Bytes{0xFF, 0xD8, 0xFF, 0xD9},
             "The JPEG file cannot be read: JPEG datastream contains no image."},
            {"whole", whole, "loaded"},
        };
        for (const auto& c : cases) {
            EXPECT_EQ(LoadError(c.file), c.error) << name << ", " << c.what;
        }
    }
}

TEST(JpegReader, MeasuresFromTheFrameHeader) {
    const Bytes file = Resized(Fixture("pillow_baseline.jpg"), 60000, 2000);
    PictureSize size;
    ASSERT_TRUE(MeasurePicture(file, size));
    EXPECT_EQ(size.width, 60000);
    EXPECT_EQ(size.height, 2000);
}

}  // namespace
}  // namespace grimora
