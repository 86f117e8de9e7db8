// SPDX-License-Identifier: GPL-3.0-or-later
// Animated GIF and WebP files read back by an independent decoder (Pillow):
// frame count, delays, looping, and the first and last frames against the
// frames given, within each format's loss.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "animation_decode.h"
#include "picture/animation_writer.h"

namespace grimora {
namespace {

namespace fs = std::filesystem;
using animation_test::Decode;
using animation_test::Decoded;
using animation_test::WritePpm;

// A photograph-like frame: soft colour gradients with a sharp disc that
// moves and grows from frame to frame.
void MakeFrame(int32_t k, int32_t w, int32_t h, RgbaFrame& frame) {
    frame.width = w;
    frame.height = h;
    frame.pixels.assign(static_cast<std::size_t>(w) * h * 4, 255);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = &frame.pixels[(static_cast<std::size_t>(y) * w + x) * 4];
            const double dx = x - (20 + 3.0 * k);
            const double dy = y - h / 2.0;
            const bool disc = dx * dx + dy * dy < (8.0 + k) * (8.0 + k);
            p[0] = static_cast<uint8_t>(disc ? 230 : 40 + 150 * x / w);
            p[1] = static_cast<uint8_t>(disc ? 60 : 60 + 120 * y / h);
            p[2] = static_cast<uint8_t>(disc ? 50 : 200 - 100 * (x + y) / (w + h));
        }
    }
}

class AnimationWriter : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("grimora-anim-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(AnimationWriter, PillowReadsTheFramesDelaysAndLoopOfBothFormats) {
    constexpr int32_t w = 120;
    constexpr int32_t h = 80;
    constexpr int32_t n = 7;
    RgbaFrame frame;
    MakeFrame(0, w, h, frame);
    WritePpm(dir_ / "first.ppm", frame);
    MakeFrame(n - 1, w, h, frame);
    WritePpm(dir_ / "last.ppm", frame);
    // There and back again ends on frame 1.
    MakeFrame(1, w, h, frame);
    WritePpm(dir_ / "second.ppm", frame);
    struct Case {
        const char* name;
        AnimationFormat format;
        bool pingPong;
        int32_t delay;
        int expectedDelay;
        double meanLoss;  // mean difference a frame may show
    };
    // GIF keeps hundredths of a second; its 256 colours without dithering
    // band the gradients by a level or two. WebP at quality 90 loses a
    // little everywhere.
    const Case cases[] = {{"a.gif", AnimationFormat::Gif, false, 40, 40, 2.0},
                          {"b.gif", AnimationFormat::Gif, true, 75, 80, 2.0},
                          {"c.webp", AnimationFormat::Webp, false, 40, 40, 2.5},
                          {"d.WEBP", AnimationFormat::Webp, true, 130, 130, 2.5}};
    for (const Case& c : cases) {
        AnimationFormat format{};
        ASSERT_TRUE(AnimationFormatOf(c.name, format));
        ASSERT_EQ(format, c.format);
        std::vector<int32_t> progress;
        std::string error;
        const fs::path file = dir_ / c.name;
        ASSERT_TRUE(SaveAnimation(
            file.string(), w, h, n, [](int32_t k, RgbaFrame& f) { MakeFrame(k, w, h, f); },
            {c.format, c.delay, c.pingPong}, [&](int32_t p) { progress.push_back(p); }, error))
            << error;
        const Decoded d =
            Decode(file, dir_ / "first.ppm", dir_ / (c.pingPong ? "second.ppm" : "last.ppm"));
        const int frames = c.pingPong ? 2 * n - 2 : n;
        EXPECT_EQ(d.frames, frames) << c.name;
        EXPECT_EQ(d.loop, 0) << c.name;
        EXPECT_EQ(d.delays, std::vector<int>(frames, c.expectedDelay)) << c.name;
        EXPECT_LE(d.firstMean, c.meanLoss) << c.name;
        EXPECT_EQ(progress.size(), static_cast<std::size_t>(frames));
        EXPECT_EQ(progress.back(), 100);
        EXPECT_LE(d.lastMean, c.meanLoss) << c.name;
        // Far from the frame it should be: the disc has moved.
        const Decoded wrong = Decode(file, dir_ / "last.ppm", dir_ / "first.ppm");
        EXPECT_GT(wrong.firstMean, 3 * c.meanLoss) << c.name;
    }
    EXPECT_EQ(AnimationSequence(4, true), (std::vector<int32_t>{0, 1, 2, 3, 2, 1}));
}

TEST_F(AnimationWriter, AFailureNamesTheFileAndKeepsTheOldOne) {
    const fs::path file = dir_ / "keep.gif";
    std::ofstream(file) << "old";
    std::string error;
    // A frame of the wrong size, half-way.
    EXPECT_FALSE(SaveAnimation(
        file.string(), 30, 20, 4,
        [](int32_t k, RgbaFrame& f) { MakeFrame(k, k == 2 ? 31 : 30, 20, f); }, {}, {}, error));
    EXPECT_NE(error.find(file.string()), std::string::npos) << error;
    std::ifstream in(file);
    std::string kept;
    in >> kept;
    EXPECT_EQ(kept, "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
    // A folder that is not there, and options out of range.
    EXPECT_FALSE(SaveAnimation((dir_ / "none" / "a.gif").string(), 30, 20, 4,
                               [](int32_t k, RgbaFrame& f) { MakeFrame(k, 30, 20, f); }, {}, {},
                               error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    EXPECT_FALSE(SaveAnimation(
        file.string(), 30, 20, 1, [](int32_t k, RgbaFrame& f) { MakeFrame(k, 30, 20, f); }, {}, {},
        error));
    AnimationFormat format{};
    EXPECT_FALSE(AnimationFormatOf("a.png", format));
    EXPECT_FALSE(AnimationFormatOf("gif", format));
}

}  // namespace
}  // namespace grimora
