// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include <QCoreApplication>

#include <gtest/gtest.h>

#include "app/dialogs/background_save.h"
#include "dialog_test_support.h"
#include "picture/pictrix.h"

namespace grimora {
namespace {

// The write runs on another thread with a copy, while this thread goes on
// handling events: the write waits for this thread to have shown its first
// percentage, and meanwhile the picture is changed here; the copy written
// keeps the pixels it had, and the percentages arrive here, in order.
TEST(WriteInBackground, WritesACopyWhileThisThreadShowsItsProgress) {
    OwnedDib picture = PatternPicture(40, 30);
    const uint8_t before = picture->bits[0];
    const std::thread::id ui = std::this_thread::get_id();
    std::promise<void> firstShown;
    std::vector<int> shown;
    bool shownHere = true;
    std::thread::id writer;
    bool copyKept = false;
    bool copied = false;

    const bool written = WriteInBackground(
        *picture,
        [&](const Dib& copy, const ProgressCallback& progress) {
            writer = std::this_thread::get_id();
            copied = copy.bits != picture->bits && copy.bits[0] == before &&
                     copy.stride == picture->stride;
            progress(30);
            if (firstShown.get_future().wait_for(std::chrono::seconds(20)) !=
                std::future_status::ready) {
                return false;
            }
            copyKept = copy.bits[0] == before;
            progress(100);
            return true;
        },
        [&](int percent) {
            shownHere = shownHere && std::this_thread::get_id() == ui;
            shown.push_back(percent);
            if (percent == 30) {
                picture.edit().bits[0] = static_cast<uint8_t>(before + 1);
                firstShown.set_value();
            }
        });

    EXPECT_TRUE(written);
    EXPECT_NE(writer, ui);
    EXPECT_TRUE(copied);
    EXPECT_TRUE(copyKept);
    EXPECT_TRUE(shownHere);
    EXPECT_EQ(shown, (std::vector<int>{30, 100}));
}

// What cannot be copied as a 24-bit picture is written here, at once; a
// write that throws counts as failed.
TEST(WriteInBackground, OtherDepthsAreWrittenOnThisThreadAndAThrowIsAFailure) {
    OwnedDib palette;
    ASSERT_TRUE(palette.make(8, 8, 8));
    std::thread::id writer;
    std::vector<int> shown;
    EXPECT_TRUE(WriteInBackground(
        *palette,
        [&](const Dib& picture, const ProgressCallback& progress) {
            writer = std::this_thread::get_id();
            progress(50);
            return picture.bits == palette->bits;
        },
        [&](int percent) { shown.push_back(percent); }));
    EXPECT_EQ(writer, std::this_thread::get_id());
    EXPECT_EQ(shown, std::vector<int>{50});

    const OwnedDib picture = PatternPicture(8, 8);
    for (const Dib* target : {&palette.get(), &picture.get()}) {
        EXPECT_FALSE(WriteInBackground(
            *target, [](const Dib&, const ProgressCallback&) -> bool { throw std::bad_alloc(); },
            [](int) {}));
    }
}

}  // namespace
}  // namespace grimora
