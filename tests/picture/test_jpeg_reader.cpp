// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>

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

// A noisy picture through libjpeg's encoder, baseline or in the scans given:
// the same coefficients either way, so that decoding must give the same
// pixels. libjpeg exits on a bad script; the scripts here are valid.
Bytes Encode(int width, int height, int components, int hSample, int vSample,
             const std::vector<jpeg_scan_info>& scans) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    cinfo.comp_info[0].h_samp_factor = hSample;
    cinfo.comp_info[0].v_samp_factor = vSample;
    if (!scans.empty()) {
        cinfo.scan_info = scans.data();
        cinfo.num_scans = static_cast<int>(scans.size());
    }
    jpeg_start_compress(&cinfo, TRUE);
    std::mt19937 noise(static_cast<unsigned>(width * 131 + height));
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width * components));
    while (cinfo.next_scanline < cinfo.image_height) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            row[i] = static_cast<JSAMPLE>((i * 3 + cinfo.next_scanline * 2 + noise() % 64) & 0xFF);
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes file(out, out + size);
    std::free(out);
    return file;
}

jpeg_scan_info Scan(std::vector<int> components, int ss, int se, int ah, int al) {
    jpeg_scan_info scan{};
    scan.comps_in_scan = static_cast<int>(components.size());
    for (std::size_t i = 0; i < components.size(); ++i) {
        scan.component_index[i] = components[i];
    }
    scan.Ss = ss;
    scan.Se = se;
    scan.Ah = ah;
    scan.Al = al;
    return scan;
}

// A progression of the kind encoders write, at random: the DC of all
// components in one scan, each component's AC cut into up to four bands,
// each coefficient sent in up to three steps of successive approximation,
// refinements last.
std::vector<jpeg_scan_info> Progression(int components, std::mt19937& random) {
    const auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    std::vector<int> all;
    for (int c = 0; c < components; ++c) {
        all.push_back(c);
    }
    const int dcBits = pick(0, 2);
    std::vector<jpeg_scan_info> first = {Scan(all, 0, 0, 0, dcBits)};
    std::vector<jpeg_scan_info> refinements;
    for (int bit = dcBits; bit > 0; --bit) {
        refinements.push_back(Scan(all, 0, 0, bit, bit - 1));
    }
    struct Band {
        int component, ss, se, bits;
    };
    std::vector<Band> bands;
    for (int c = 0; c < components; ++c) {
        for (int ss = 1; ss <= 63;) {
            const int se = pick(0, 2) == 0 ? 63 : std::min(63, ss + pick(0, 30));
            bands.push_back({c, ss, se, pick(0, 2)});
            first.push_back(Scan({c}, ss, se, 0, bands.back().bits));
            ss = se + 1;
        }
    }
    for (int bit = 2; bit > 0; --bit) {
        for (const Band& b : bands) {
            if (b.bits >= bit) {
                refinements.push_back(Scan({b.component}, b.ss, b.se, bit, bit - 1));
            }
        }
    }
    first.insert(first.end(), refinements.begin(), refinements.end());
    return first;
}

// Progressive files of every usual make load, and as the baseline file of
// their coefficients: neither their warnings nor their work are taken for
// damage or hostility.
TEST(JpegReader, ProgressionsLoadAsTheirBaselineFile) {
    std::mt19937 random(14);
    for (int i = 0; i < 40; ++i) {
        // Small ones for their edges, large ones for the work of their blocks.
        const int largest = i < 30 ? 70 : 420;
        const int width = std::uniform_int_distribution<int>(largest / 2 - 34, largest)(random);
        const int height = std::uniform_int_distribution<int>(largest / 2 - 34, largest)(random);
        const int components = random() % 2 == 0 ? 1 : 3;
        const int hSample = components == 1 ? 1 : 1 + static_cast<int>(random() % 2);
        const int vSample = components == 1 ? 1 : 1 + static_cast<int>(random() % 2);
        const std::vector<jpeg_scan_info> scans = Progression(components, random);
        SCOPED_TRACE(testing::Message() << width << " x " << height << ", " << components
                                        << " components, " << scans.size() << " scans");
        const OwnedDib baseline =
            fixtures::Load(Encode(width, height, components, hSample, vSample, {}));
        const OwnedDib progressive =
            fixtures::Load(Encode(width, height, components, hSample, vSample, scans));
        ASSERT_NE(baseline->bits, nullptr) << baseline->errorText;
        ASSERT_NE(progressive->bits, nullptr) << progressive->errorText;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(fixtures::Colour(*progressive, x, y), fixtures::Colour(*baseline, x, y))
                    << x << ", " << y;
            }
        }
    }
}

}  // namespace
}  // namespace grimora
