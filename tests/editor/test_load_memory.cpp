// SPDX-License-Identifier: GPL-3.0-or-later
#include <utility>

#include <gtest/gtest.h>

#include "editor/load_memory.h"

namespace grimora {
namespace {

TEST(LoadMemory, CountsConversionFieldMaskAndResultAndSaysWhichGuardDecides) {
    // 640 x 480: rows of 1920 bytes at 24 bits, the field 8 bytes a pixel,
    // the mask 1.
    EXPECT_EQ(LoadCompletionBytes(640, 480, 8), 921600 + 2457600 + 307200 + 921600);
    EXPECT_EQ(LoadCompletionBytes(640, 480, 24), 2457600 + 307200 + 921600);
    // A 24-bit row of 3 pixels is padded to 12 bytes; 32 bits need no copy.
    EXPECT_EQ(LoadCompletionBytes(3, 2, 32), 48 + 6 + 24);
    EXPECT_EQ(LoadCompletionBytes(3, 2, 1), 24 + 48 + 6 + 24);

    const auto check = [](int32_t w, int32_t h, int bits, bool held = false) {
        const LoadMemory m = CheckLoadMemory(w, h, bits, held);
        return std::pair{m.enough, m.decidedBy};
    };
    EXPECT_EQ(check(640, 480, 8), std::pair(true, MemoryGuard::System));
    {
        const ScopedLoadMemoryLimit limit(LoadCompletionBytes(640, 480, 24));
        EXPECT_EQ(check(640, 480, 24), std::pair(true, MemoryGuard::TestLimit));
        EXPECT_EQ(check(640, 480, 8), std::pair(false, MemoryGuard::TestLimit));
        EXPECT_EQ(check(641, 480, 24), std::pair(false, MemoryGuard::TestLimit));
    }
    {
        // With the field and result already made, only the copy and the mask
        // are still asked for.
        const ScopedLoadMemoryLimit limit(921600 + 307200);
        EXPECT_EQ(check(640, 480, 8, true), std::pair(true, MemoryGuard::TestLimit));
        EXPECT_EQ(check(640, 480, 8), std::pair(false, MemoryGuard::TestLimit));
    }
    EXPECT_EQ(check(640, 480, 8), std::pair(true, MemoryGuard::System));
    EXPECT_EQ(check(-1, 480, 8), std::pair(false, MemoryGuard::Size));
    EXPECT_EQ(check(70000, 2, 24), std::pair(false, MemoryGuard::Size));
}

}  // namespace
}  // namespace grimora
