// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cfenv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <tiffio.h>

#include <gtest/gtest.h>

#include "warp/warp_file.h"
#include "warp_test_support.h"

namespace grimora {
namespace {

namespace fs = std::filesystem;
using warp_test::Entries;
using warp_test::RandomEntries;

TEST(WarpFile, RandomFieldsAndMasksComeBackExactly) {
    std::mt19937 random(16);
    const std::string names[] = {"face.jpg", "", "blank:40x30", "\"quoted\" \\ and\ttab",
                                 "Gesicht \xC3\xBC\xE2\x82\xAC.png"};
    for (int round = 0; round < 40; ++round) {
        const int32_t width = std::uniform_int_distribution<int32_t>(1, 90)(random);
        const int32_t height = std::uniform_int_distribution<int32_t>(1, 60)(random);
        const DisplacementField field = RandomEntries(width, height, random);
        std::vector<uint8_t> mask;
        if (round % 2 == 1) {
            for (std::size_t i = 0; i < field.size(); ++i) {
                mask.push_back(static_cast<uint8_t>(random()));
            }
        }
        WarpOrigin origin;
        origin.source = names[round % std::size(names)];
        if (round % 3 == 0) {
            origin.picturePath = "/pictures/" + origin.source;
            origin.pictureBytes = round * 1000;
            origin.pictureModified = int64_t{1700000000} * 1000000000 + round;
        }
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(EncodeWarpFile(field, mask, origin, bytes, error)) << error;
        WarpFile back;
        ASSERT_TRUE(DecodeWarpFile(bytes, back, error)) << error;
        ASSERT_EQ(back.field.width(), width);
        ASSERT_EQ(back.field.height(), height);
        EXPECT_EQ(Entries(back.field), Entries(field)) << width << " x " << height;
        EXPECT_EQ(back.mask, mask);
        EXPECT_EQ(back.origin.source, origin.source);
        EXPECT_EQ(back.origin.picturePath, origin.picturePath);
        EXPECT_EQ(back.origin.pictureBytes, origin.pictureBytes);
        EXPECT_EQ(back.origin.pictureModified, origin.pictureModified);
    }
}

// The scaling rule, worked out another way: the quotient in long double,
// rounded by the processor's default mode (to nearest, halves to even). A
// quotient of two integers below 2^33 and 2^16 lies at least 1 / 2^17 from
// any half that it is not, far beyond long double's error.
DisplacementField ModelFit(const DisplacementField& saved, int32_t width, int32_t height) {
    EXPECT_EQ(std::fegetround(), FE_TONEAREST);
    DisplacementField fitted(width, height);
    const int64_t w = saved.width();
    const int64_t h = saved.height();
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            const int64_t sc = c * w / width;
            const int64_t sr = r * h / height;
            const Displacement e = saved.at(static_cast<int32_t>(sc), static_cast<int32_t>(sr));
            const long double x = c + std::nearbyintl((long double)(e.x - sc) * width / w);
            const long double y = r + std::nearbyintl((long double)(e.y - sr) * height / h);
            fitted.at(c, r) = {static_cast<int32_t>(std::fmin(std::fmax(x, 0), width - 1)),
                               static_cast<int32_t>(std::fmin(std::fmax(y, 0), height - 1))};
        }
    }
    return fitted;
}

TEST(WarpFile, FittingFollowsTheRuleWithHalvesToEvenAndClamping) {
    // A saved 2 x 1 field whose entry (0, 0) points at column 1: on 5 x 1
    // column 0 takes it, (1 - 0) * 5 / 2 = 2.5 rounds to 2; column 2 takes
    // saved column 0 as well (2 * 2 div 5 = 0) and 2 + 2 = 4; column 4 takes
    // saved column 1, whose entry points at column 0: 4 + Round(-2.5) = 2.
    DisplacementField saved(2, 1);
    saved.at(0, 0) = {1, 0};
    saved.at(1, 0) = {0, 0};
    const std::optional<DisplacementField> fitted = FitField(saved, 5, 1);
    ASSERT_TRUE(fitted);
    EXPECT_EQ(fitted->at(0, 0).x, 2);
    EXPECT_EQ(fitted->at(2, 0).x, 4);
    EXPECT_EQ(fitted->at(4, 0).x, 2);

    std::mt19937 random(1616);
    for (int round = 0; round < 60; ++round) {
        std::uniform_int_distribution<int32_t> side(1, 48);
        const DisplacementField field = RandomEntries(side(random), side(random), random);
        const int32_t width = side(random);
        const int32_t height = side(random);
        const std::optional<DisplacementField> got = FitField(field, width, height);
        ASSERT_TRUE(got);
        EXPECT_EQ(Entries(*got), Entries(ModelFit(field, width, height)))
            << field.width() << " x " << field.height() << " onto " << width << " x " << height;
        // The same size gives the saved field back; the mask follows the
        // same choice of entry.
        EXPECT_EQ(Entries(*FitField(field, field.width(), field.height())), Entries(field));
        std::vector<uint8_t> mask(field.size());
        for (std::size_t i = 0; i < mask.size(); ++i) {
            mask[i] = static_cast<uint8_t>(i * 7);
        }
        const std::vector<uint8_t> fittedMask =
            FitMask(mask, field.width(), field.height(), width, height);
        const int32_t c = width - 1;
        const int32_t r = height - 1;
        EXPECT_EQ(fittedMask[static_cast<std::size_t>(r) * width + c],
                  mask[static_cast<std::size_t>(r * field.height() / height) * field.width() +
                       c * field.width() / width]);
    }
}

// A TIFF written as another tool might write it, with every choice open.
struct Variant {
    uint32_t width = 6;
    uint32_t height = 4;
    uint16_t samples = 2;
    uint16_t bits = 32;
    uint16_t format = SAMPLEFORMAT_INT;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint16_t compression = COMPRESSION_ADOBE_DEFLATE;
    bool tiled = false;
    const char* mode = "w";  // "wb" big-endian, "w8" BigTIFF
    std::string description = R"({"format":"grimora-warp","version":1,"source":"a.png"})";
    // The stored value of sample s of pixel (column c, row t from the top).
    int64_t (*value)(uint32_t c, uint32_t t, int s) = [](uint32_t c, uint32_t t, int s) {
        return int64_t{s == 0 ? (c * 5 + t) % 6 : (t * 3 + c) % 4};
    };
    uint32_t rowsWritten = UINT32_MAX;  // fewer leave the other strips empty
    bool mask = false;
    uint32_t maskWidth = 6;
    uint16_t maskBits = 8;
};

std::vector<uint8_t> Write(const Variant& v) {
    const fs::path path = fs::path(testing::TempDir()) / "grimora_variant.tif";
    TIFF* tiff = TIFFOpen(path.c_str(), v.mode);
    EXPECT_NE(tiff, nullptr);
    const auto directory = [&](uint32_t width, uint16_t samples, uint16_t bits, uint16_t format,
                               auto value) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, v.height);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
        TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, format);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, v.planar);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, v.compression);
        if (samples > 1) {
            std::vector<uint16_t> extra(samples - 1u, EXTRASAMPLE_UNSPECIFIED);
            TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, samples - 1, extra.data());
        }
        if (!v.description.empty()) {
            TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, v.description.c_str());
        }
        const std::size_t bytes = bits / 8u;
        const auto put = [&](std::vector<uint8_t>& out, uint32_t c, uint32_t t, int s) {
            const int64_t x = c < width && t < v.height ? value(c, t, s) : 0;
            for (std::size_t k = 0; k < bytes; ++k) {
                out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(x) >> (8 * k)));
            }
        };
        if (v.tiled) {
            TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16);
            TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16);
            for (uint32_t y0 = 0; y0 < v.height; y0 += 16) {
                for (uint32_t x0 = 0; x0 < width; x0 += 16) {
                    std::vector<uint8_t> tile;
                    for (uint32_t t = y0; t < y0 + 16; ++t) {
                        for (uint32_t c = x0; c < x0 + 16; ++c) {
                            for (int s = 0; s < samples; ++s) {
                                put(tile, c, t, s);
                            }
                        }
                    }
                    TIFFWriteEncodedTile(tiff, TIFFComputeTile(tiff, x0, y0, 0, 0), tile.data(),
                                         tmsize_t(tile.size()));
                }
            }
        } else if (v.planar == PLANARCONFIG_SEPARATE) {
            for (int s = 0; s < samples; ++s) {
                for (uint32_t t = 0; t < v.height; ++t) {
                    std::vector<uint8_t> row;
                    for (uint32_t c = 0; c < width; ++c) {
                        put(row, c, t, s);
                    }
                    TIFFWriteScanline(tiff, row.data(), t, static_cast<uint16_t>(s));
                }
            }
        } else {
            for (uint32_t t = 0; t < std::min(v.height, v.rowsWritten); ++t) {
                std::vector<uint8_t> row;
                for (uint32_t c = 0; c < width; ++c) {
                    for (int s = 0; s < samples; ++s) {
                        put(row, c, t, s);
                    }
                }
                TIFFWriteScanline(tiff, row.data(), t, 0);
            }
        }
    };
    directory(v.width, v.samples, v.bits, v.format, v.value);
    if (v.mask) {
        TIFFWriteDirectory(tiff);
        directory(v.maskWidth, 1, v.maskBits, SAMPLEFORMAT_UINT,
                  [](uint32_t c, uint32_t t, int) { return int64_t{c * 40 + t}; });
    }
    TIFFClose(tiff);
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(WarpFile, WarpsOtherToolsWriteAreReadInAnyLayoutTheyMayChoose) {
    const Variant plain;
    std::vector<Variant> variants(6, plain);
    variants[1].tiled = true;
    variants[2].mode = "wb";
    variants[3].mode = "w8";
    variants[4].compression = COMPRESSION_NONE;
    variants[5].description = "";  // no description at all
    for (std::size_t i = 0; i < variants.size(); ++i) {
        variants[i].mask = i % 2 == 0;
        WarpFile back;
        std::string error;
        ASSERT_TRUE(DecodeWarpFile(Write(variants[i]), back, error)) << i << ": " << error;
        for (uint32_t t = 0; t < plain.height; ++t) {
            for (uint32_t c = 0; c < plain.width; ++c) {
                const Displacement e = back.field.at(int32_t(c), int32_t(plain.height - 1 - t));
                EXPECT_EQ(e.x, plain.value(c, t, 0)) << i;
                EXPECT_EQ(int64_t{plain.height} - 1 - e.y, plain.value(c, t, 1)) << i;
                if (variants[i].mask) {
                    EXPECT_EQ(back.mask[(plain.height - 1 - t) * plain.width + c], c * 40 + t);
                }
            }
        }
        EXPECT_EQ(back.mask.empty(), !variants[i].mask) << i;
        EXPECT_EQ(back.origin.source, i == 5 ? "" : "a.png") << i;
    }
}

// Sets the value, kept in its entry, of a SHORT tag of the first directory
// of a classic little-endian TIFF.
void PatchTag(std::vector<uint8_t>& file, uint16_t tag, uint16_t value) {
    const auto get = [&](std::size_t at, int bytes) {
        uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) {
            v = v << 8 | file.at(at + static_cast<std::size_t>(i));
        }
        return v;
    };
    const std::size_t directory = get(4, 4);
    for (uint32_t i = 0; i < get(directory, 2); ++i) {
        const std::size_t entry = directory + 2 + 12 * i;
        if (get(entry, 2) == tag) {
            file.at(entry + 8) = static_cast<uint8_t>(value);
            file.at(entry + 9) = static_cast<uint8_t>(value >> 8);
            return;
        }
    }
    ADD_FAILURE() << "no tag " << tag;
}

TEST(WarpFile, BrokenFilesAreRefusedWithTheirFaultNamedAndNothingTaken) {
    struct Case {
        const char* fault;
        Variant variant;
        std::string mentions;
    };
    std::vector<Case> cases;
    const auto add = [&](const char* fault, auto change, std::string mentions) {
        Variant v;
        change(v);
        cases.push_back({fault, v, std::move(mentions)});
    };
    add(
        "column_past_the_right_edge",
        [](Variant& v) {
            v.value = [](uint32_t c, uint32_t, int s) {
                return int64_t{s == 0 && c == 3 ? 700 : 1};
            };
        },
        "outside its picture: column 700 of 6.");
    add(
        "negative_row",
        [](Variant& v) {
            v.value = [](uint32_t, uint32_t t, int s) {
                return int64_t{s == 1 && t == 2 ? -1 : 0};
            };
        },
        "outside its picture: row -1 of 4.");
    add(
        "three_samples", [](Variant& v) { v.samples = 3; }, "3 32-bit signed integer samples");
    add(
        "sixteen_bits", [](Variant& v) { v.bits = 16; }, "16-bit");
    add(
        "unsigned_samples", [](Variant& v) { v.format = SAMPLEFORMAT_UINT; }, "unsigned integer");
    add(
        "float_samples", [](Variant& v) { v.format = SAMPLEFORMAT_IEEEFP; }, "floating-point");
    add(
        "separate_planes", [](Variant& v) { v.planar = PLANARCONFIG_SEPARATE; }, "separate planes");
    add(
        "newer_version",
        [](Variant& v) { v.description = R"({"format":"grimora-warp","version":2})"; },
        "newer Grimora (format version 2)");
    add(
        "another_format", [](Variant& v) { v.description = R"({"format":"mesh"})"; },
        "another kind (\"mesh\")");
    add(
        "description_of_another_size",
        [](Variant& v) {
            v.description = R"({"format":"grimora-warp","version":1,"width":60,"height":4})";
        },
        "says 60 \xC3\x97 4");
    add(
        "mask_of_another_size",
        [](Variant& v) {
            v.mask = true;
            v.maskWidth = 5;
        },
        "freeze mask is 5 \xC3\x97 4");
    add(
        "mask_of_sixteen_bits",
        [](Variant& v) {
            v.mask = true;
            v.maskBits = 16;
        },
        "freeze mask has 1 16-bit");
    add(
        "larger_than_any_picture", [](Variant& v) { v.width = 70000; }, "70000 \xC3\x97 4");

    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (const Case& c : cases) {
        files.emplace_back(c.mentions, Write(c.variant));
    }
    const std::vector<uint8_t> sound = Write(Variant{});
    files.emplace_back("not a TIFF file", std::vector<uint8_t>(sound.begin() + 4, sound.end()));
    files.emplace_back("damaged",
                       std::vector<uint8_t>(sound.begin(), sound.begin() + sound.size() / 2));
    // 60000 x 2000 entries (960 MB) claimed by a file of one row: refused
    // before any memory is taken for them.
    Variant huge;
    huge.width = 60000;
    huge.height = 2000;
    huge.rowsWritten = 1;
    files.emplace_back("too little data", Write(huge));
    // A codec for pictures, whose own data could declare any memory.
    std::vector<uint8_t> jbig = Write(Variant{.compression = COMPRESSION_NONE});
    PatchTag(jbig, TIFFTAG_COMPRESSION, COMPRESSION_JBIG);
    files.emplace_back("compressed in a way (34661)", jbig);
    // Found by the fuzzer: a tile size from the file must not decide how
    // much memory is taken.
    std::ifstream fuzzed(
        std::string(GRIMORA_FIXTURES) + "/warp/tiles_larger_than_the_picture.gwarp",
        std::ios::binary);
    files.emplace_back("tiles of", std::vector<uint8_t>(std::istreambuf_iterator<char>(fuzzed),
                                                        std::istreambuf_iterator<char>()));

    for (const auto& [mentions, bytes] : files) {
        WarpFile out;
        out.origin.source = "untouched";
        std::string error;
        EXPECT_FALSE(DecodeWarpFile(bytes, out, error)) << mentions;
        EXPECT_NE(error.find(mentions), std::string::npos) << error;
        EXPECT_TRUE(out.field.empty()) << mentions;
        EXPECT_EQ(out.origin.source, "untouched");
    }
}

// Bytes changed at random in a sound file: every outcome is a clean refusal
// or a field whose every entry lies inside it.
TEST(WarpFile, DamagedBytesNeverGiveAnEntryOutsideThePicture) {
    std::mt19937 random(2016);
    DisplacementField field = RandomEntries(37, 23, random);
    std::vector<uint8_t> mask(field.size(), 9);
    std::vector<uint8_t> sound;
    std::string error;
    ASSERT_TRUE(EncodeWarpFile(field, mask, {}, sound, error)) << error;
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bytes = sound;
        for (int k = 0; k < 1 + round % 4; ++k) {
            bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
        }
        WarpFile out;
        if (!DecodeWarpFile(bytes, out, error)) {
            EXPECT_FALSE(error.empty());
            ++refused;
            continue;
        }
        for (std::size_t i = 0; i < out.field.size(); ++i) {
            const Displacement e = out.field.data()[i];
            ASSERT_TRUE(e.x >= 0 && e.x < out.field.width() && e.y >= 0 &&
                        e.y < out.field.height());
        }
    }
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace grimora
