// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "warp/displacement_field.h"

namespace grimora {
namespace {

struct Size {
    int32_t width;
    int32_t height;
};

class InitMaskSizes : public ::testing::TestWithParam<Size> {};

TEST_P(InitMaskSizes, WritesEachEntrysOwnPositionInStorageOrder) {
    const auto [width, height] = GetParam();
    DisplacementField field(width, height);
    ASSERT_EQ(field.size(), static_cast<std::size_t>(width) * height);
    ASSERT_EQ(field.width(), width);
    ASSERT_EQ(field.height(), height);
    // Whatever the block held before must go.
    for (std::size_t k = 0; k < field.size(); ++k) {
        field.data()[k] = Displacement{-7, 12345};
    }
    InitMask(field);
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            const Displacement e = field.data()[static_cast<std::size_t>(r) * width + c];
            ASSERT_EQ(e, (Displacement{c, r})) << "column " << c << ", row " << r;
        }
    }
}

// A field whose pages are made as it goes, written in uneven chunks of rows
// (some reaching past the end, one empty, one before the start): every row
// must be written once and the same as by InitMask.
TEST_P(InitMaskSizes, InChunksOfRowsOnALazyFieldWritesTheSameEntries) {
    const auto [width, height] = GetParam();
    auto field = DisplacementField::tryAllocateLazily(width, height);
    ASSERT_TRUE(field.has_value());
    InitMaskRows(*field, -3, 0);
    InitMaskRows(*field, 5, 5);
    for (int32_t first = 0; first < height; first += 7) {
        InitMaskRows(*field, first, first + 7);
    }
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            ASSERT_EQ(field->at(c, r), (Displacement{c, r})) << "column " << c << ", row " << r;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, InitMaskSizes,
                         ::testing::Values(Size{1, 1}, Size{3, 2}, Size{1, 7}, Size{9, 1},
                                           Size{320, 200},
                                           // Large enough to be mapped and
                                           // reset on two threads.
                                           Size{1031, 1019}, Size{2, 600000}));

TEST(DisplacementField, ImpossibleSizesAreRefusedWithoutAllocating) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    const Size sizes[] = {{-1, 5}, {5, -1}, {-3, -3}, {kMax, kMax}};
    for (const Size& s : sizes) {
        EXPECT_THROW((void)DisplacementField(s.width, s.height), std::bad_alloc)
            << s.width << " x " << s.height;
        EXPECT_FALSE(DisplacementField::tryAllocate(s.width, s.height).has_value())
            << s.width << " x " << s.height;
    }
}

TEST(DisplacementField, TryAllocateGivesAFieldOfThatSize) {
    auto field = DisplacementField::tryAllocate(7, 3);
    ASSERT_TRUE(field.has_value());
    EXPECT_EQ(field->width(), 7);
    EXPECT_EQ(field->height(), 3);
    InitMask(*field);
    EXPECT_EQ(field->at(6, 2), (Displacement{6, 2}));

    // A mapped block moves with the way to give it back.
    auto large = DisplacementField::tryAllocate(1031, 1019);
    ASSERT_TRUE(large.has_value());
    InitMask(*large);
    DisplacementField moved = std::move(*large);
    EXPECT_EQ(moved.at(1030, 1018), (Displacement{1030, 1018}));
    *large = std::move(*field);
    EXPECT_EQ(large->at(6, 2), (Displacement{6, 2}));
}

// The pages are made without changing a byte, at any alignment; the bytes
// beside the block, on its first and last pages, are someone else's.
TEST(DisplacementField, MakingPagesPresentChangesNoByte) {
    std::vector<unsigned char> memory(4 * 4096, 0x5A);
    for (const std::size_t offset : {std::size_t{0}, std::size_t{1}, std::size_t{4095}}) {
        for (const std::size_t bytes : {std::size_t{1}, std::size_t{4096}, std::size_t{9000}}) {
            std::fill(memory.begin(), memory.end(), 0x5A);
            std::memset(memory.data() + offset, 0, bytes);
            MakePagesPresent(memory.data() + offset, bytes);
            for (std::size_t i = 0; i < memory.size(); ++i) {
                const bool inside = i >= offset && i < offset + bytes;
                ASSERT_EQ(memory[i], inside ? 0 : 0x5A) << offset << " + " << bytes << " at " << i;
            }
        }
    }
    MakePagesPresent(nullptr, 0);
}

}  // namespace
}  // namespace grimora
