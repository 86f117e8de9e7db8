// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "picture/dib_queries.h"
#include "warp/render.h"
#include "warp_test_support.h"

namespace grimora {
namespace {

using warp_test::IdentityField;
using warp_test::MakePicture;
using warp_test::RecordingMessages;

// Bytes that differ from pixel to pixel and from channel to channel.
uint8_t Pattern(int32_t row, int32_t k) {
    return static_cast<uint8_t>(row * 37 + k * 11 + 5);
}

// The result must hold at (c, r) the source pixel at (sx, sy) for every
// result pixel, and nothing but zeros in the padding.
void ExpectRendered(const Dib& source, const Dib& result,
                    const std::function<Displacement(int32_t, int32_t)>& shown) {
    const int32_t width = DibWidth(source);
    const int32_t height = DibHeight(source);
    ASSERT_EQ(DibWidth(result), width);
    ASSERT_EQ(DibHeight(result), height);
    ASSERT_EQ(DibBitCount(result), 24);
    for (int32_t r = 0; r < height; ++r) {
        const uint8_t* out = DibRow(result, r);
        for (int32_t c = 0; c < width; ++c) {
            const Displacement from = shown(c, r);
            const uint8_t* in = DibRow(source, from.y) + 3 * from.x;
            ASSERT_EQ(0, std::memcmp(out + 3 * c, in, 3)) << "column " << c << ", row " << r;
        }
        for (int32_t k = 3 * width; k < result.stride; ++k) {
            ASSERT_EQ(out[k], 0) << "padding byte " << k << " of row " << r;
        }
    }
}

struct Mapping {
    const char* name;
    std::function<Displacement(int32_t c, int32_t r, int32_t w, int32_t h)> entry;
};

class RenderMappings : public ::testing::TestWithParam<Mapping> {};

TEST_P(RenderMappings, ShowsTheSourcePixelEachEntryNames) {
    // 7 pixels: 21 bytes of a 24-byte row, so every row has padding.
    constexpr int32_t w = 7;
    constexpr int32_t h = 4;
    OwnedDib source = MakePicture(w, h, 24, Pattern);
    DisplacementField field(w, h);
    for (int32_t r = 0; r < h; ++r) {
        for (int32_t c = 0; c < w; ++c) {
            field.at(c, r) = GetParam().entry(c, r, w, h);
        }
    }
    OwnedDib result;
    RecordingMessages messages;
    renderdi(source.get(), field, result, messages);
    ExpectRendered(source.get(), result.get(),
                   [&](int32_t c, int32_t r) { return GetParam().entry(c, r, w, h); });
}

INSTANTIATE_TEST_SUITE_P(
    Fields, RenderMappings,
    ::testing::Values(Mapping{"Identity",
                              [](int32_t c, int32_t r, int32_t, int32_t) {
                                  return Displacement{c, r};
                              }},
                      // Every pixel the bottom-left one as shown on screen: memory row 0, column 0.
                      Mapping{"AllZero",
                              [](int32_t, int32_t, int32_t, int32_t) {
                                  return Displacement{0, 0};
                              }},
                      Mapping{"MirrorLeftRight",
                              [](int32_t c, int32_t r, int32_t w, int32_t) {
                                  return Displacement{w - 1 - c, r};
                              }},
                      Mapping{"MirrorTopBottom",
                              [](int32_t c, int32_t r, int32_t, int32_t h) {
                                  return Displacement{c, h - 1 - r};
                              }},
                      Mapping{"Scattered",
                              [](int32_t c, int32_t r, int32_t w, int32_t h) {
                                  return Displacement{(c * 5 + r) % w, (r * 3 + c) % h};
                              }}),
    [](const ::testing::TestParamInfo<Mapping>& info) { return std::string(info.param.name); });

TEST(Render, OnePixelPicture) {
    OwnedDib source = MakePicture(1, 1, 24, [](int32_t, int32_t k) { return uint8_t(10 + k); });
    DisplacementField field(1, 1);
    InitMask(field);
    EXPECT_EQ(field.size() * sizeof(Displacement), 8u);
    OwnedDib result;
    RecordingMessages messages;
    renderdi(source.get(), field, result, messages);
    ASSERT_TRUE(result.holdsPicture());
    EXPECT_EQ(DibRow(result.get(), 0)[0], 10);
    EXPECT_EQ(DibRow(result.get(), 0)[1], 11);
    EXPECT_EQ(DibRow(result.get(), 0)[2], 12);
}

TEST(Render, ReplacesTheOldResultByOneOfTheSourcesSize) {
    OwnedDib result;
    ASSERT_TRUE(result.make(320, 200, 24));
    OwnedDib source = MakePicture(3, 2, 24, Pattern);
    RecordingMessages messages;
    renderdi(source.get(), IdentityField(3, 2), result, messages);
    EXPECT_EQ(DibWidth(result.get()), 3);
    EXPECT_EQ(DibHeight(result.get()), 2);
}

bool AllBytesZero(const Dib& dib) {
    const uint32_t n = dib.info->bmiHeader.biSizeImage;
    for (uint32_t k = 0; k < n; ++k) {
        if (dib.bits[k] != 0) {
            return false;
        }
    }
    return n > 0;
}

TEST(Render, SourceNotAt24BitsGivesTheMessageAndABlackResultEveryTime) {
    OwnedDib source = MakePicture(6, 4, 8, [](int32_t, int32_t) { return uint8_t{200}; });
    const DisplacementField field = IdentityField(6, 4);
    OwnedDib result;
    RecordingMessages messages;
    for (int attempt = 1; attempt <= 2; ++attempt) {
        renderdi(source.get(), field, result, messages);
        ASSERT_EQ(messages.shown.size(), static_cast<std::size_t>(attempt));
        EXPECT_EQ(messages.shown.back(), "The Bitmaps must have 16,7 mill. Colours!");
        ASSERT_TRUE(result.holdsPicture());
        EXPECT_EQ(DibWidth(result.get()), 6);
        EXPECT_EQ(DibHeight(result.get()), 4);
        EXPECT_EQ(DibBitCount(result.get()), 24);
        EXPECT_TRUE(AllBytesZero(result.get()));
    }
}

// The load's render without a field: byte for byte renderdi's through the
// identity, padding included, and the same message and black picture for a
// source not at 24 bits.
TEST(Render, IdentityRenderIsRenderdiThroughTheIdentity) {
    struct Row {
        int32_t width, height, bitCount;
    };
    for (const Row& row : {Row{7, 4, 24}, Row{1, 1, 24}, Row{12, 3, 24}, Row{6, 4, 8}}) {
        SCOPED_TRACE(testing::Message() << row.width << "x" << row.height << "x" << row.bitCount);
        const OwnedDib source = MakePicture(row.width, row.height, row.bitCount, Pattern);
        OwnedDib viaField;
        OwnedDib direct;
        RecordingMessages fieldMessages;
        RecordingMessages directMessages;
        renderdi(source.get(), IdentityField(row.width, row.height), viaField, fieldMessages);
        renderdiIdentity(source.get(), direct, directMessages);
        EXPECT_EQ(directMessages.shown, fieldMessages.shown);
        ASSERT_TRUE(direct.holdsPicture());
        ASSERT_EQ(direct->info->bmiHeader.biSizeImage, viaField->info->bmiHeader.biSizeImage);
        EXPECT_EQ(0,
                  std::memcmp(direct->bits, viaField->bits, direct->info->bmiHeader.biSizeImage));
    }
}

TEST(Render, FieldOfAnotherSizeLeavesTheResultBlack) {
    OwnedDib source = MakePicture(6, 4, 24, Pattern);
    OwnedDib result;
    RecordingMessages messages;
    renderdi(source.get(), IdentityField(4, 6), result, messages);
    ASSERT_TRUE(result.holdsPicture());
    EXPECT_EQ(DibWidth(result.get()), 6);
    EXPECT_TRUE(AllBytesZero(result.get()));
    EXPECT_TRUE(messages.shown.empty());
}

// A record the library could not make a result for: wider than it makes pictures.
struct OversizedSource {
    explicit OversizedSource(int bitCount) : pixels(3 * kWidth) {
        info->bmiHeader.biWidth = kWidth;
        info->bmiHeader.biHeight = 1;
        info->bmiHeader.biBitCount = static_cast<uint16_t>(bitCount);
        dib.info = info.get();
        dib.allocation = pixels.data();
        dib.bits = pixels.data();
        dib.stride = 3 * kWidth;
    }
    static constexpr int32_t kWidth = kMaxPictureSide + 1;
    std::unique_ptr<BitmapInfo> info = std::make_unique<BitmapInfo>();
    std::vector<uint8_t> pixels;
    Dib dib;
};

TEST(Render, WhenTheResultCannotBeMadeThereIsNoResultPicture) {
    const struct {
        int bitCount;
        std::size_t messages;
    } cases[] = {{24, 0}, {8, 1}};
    for (const auto& c : cases) {
        OversizedSource source(c.bitCount);
        OwnedDib result;
        ASSERT_TRUE(result.make(2, 2, 24));
        RecordingMessages messages;
        renderdi(source.dib, IdentityField(OversizedSource::kWidth, 1), result, messages);
        EXPECT_FALSE(result.holdsPicture()) << c.bitCount;
        EXPECT_EQ(result->bits, nullptr);
        EXPECT_EQ(messages.shown.size(), c.messages) << c.bitCount;
    }
}

}  // namespace
}  // namespace grimora
