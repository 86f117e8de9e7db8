// SPDX-License-Identifier: GPL-3.0-or-later
#include <numeric>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "app/browser/list_columns.h"

namespace grimora {
namespace {

// Random lists and column wishes: the shown columns fill the list exactly,
// in order, each right of the name at its wish, and one more would leave
// the name less than its minimum.
TEST(FitListColumns, FillsTheListExactlyAndGivesWayFromTheRight) {
    std::mt19937 random(18);
    for (int round = 0; round < 20000; ++round) {
        std::vector<int> wanted(1 + random() % 5);
        for (int& w : wanted) {
            w = static_cast<int>(random() % 200);
        }
        const int available = static_cast<int>(random() % 500);
        const int minimum = static_cast<int>(random() % 150);
        const std::vector<int> widths = FitListColumns(available, wanted, minimum);
        ASSERT_EQ(widths.size(), wanted.size());
        ASSERT_EQ(std::accumulate(widths.begin(), widths.end(), 0), available);
        std::size_t shown = 1;
        while (shown < widths.size() && widths[shown] > 0) {
            ASSERT_EQ(widths[shown], std::max(wanted[shown], 1));
            ++shown;
        }
        for (std::size_t k = shown; k < widths.size(); ++k) {
            ASSERT_EQ(widths[k], 0) << "a column shown after a hidden one";
        }
        const int nameNeeds = std::min(minimum, wanted[0]);
        if (shown > 1) {
            ASSERT_GE(widths[0], nameNeeds);
        }
        if (shown < widths.size()) {
            ASSERT_LT(widths[0] - std::max(wanted[shown], 1), nameNeeds);
        }
    }
    EXPECT_EQ(FitListColumns(183, {300, 70, 90, 120}, 100), (std::vector<int>{113, 70, 0, 0}));
    EXPECT_EQ(FitListColumns(600, {300, 70, 90, 120}, 100), (std::vector<int>{320, 70, 90, 120}));
}

}  // namespace
}  // namespace grimora
