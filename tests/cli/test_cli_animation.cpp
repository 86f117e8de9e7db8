// SPDX-License-Identifier: GPL-3.0-or-later
// grimora-warp's smooth rendering and animation: what it writes against the
// engine's own rendering of the field it wrote, and its options' checks.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../picture/animation_decode.h"
#include "cli/runner.h"
#include "picture/dib_queries.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"
#include "warp/morph.h"
#include "warp/smooth_render.h"

namespace grimora {
namespace {

namespace fs = std::filesystem;

OwnedDib Load(const fs::path& path) {
    Dib loaded;
    OpenDib(loaded, path.c_str(), nullptr);
    return OwnedDib(loaded);
}

DisplacementField ReadField(const fs::path& path, int32_t w, int32_t h) {
    DisplacementField field(w, h);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(field.data()), static_cast<std::streamsize>(field.size() * 8));
    return field;
}

class WarpToolAnimation : public testing::Test {
protected:
    void SetUp() override {
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::path(testing::TempDir()) / ("grimora_warp_anim_" + std::string(test->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    int run(std::vector<std::string> arguments, std::string& errors) {
        // A strong grow on the face's left eye, then a smear.
        std::istringstream script(
            "brush grow\nstrength 1\nradius 70\npress 230 200\nrelease 230 200\n"
            "brush smear\nradius 40\npress 300 300\nmove 305 302\nrelease 305 302\n");
        std::ostringstream out;
        std::ostringstream err;
        const int status = cli::RunWarpTool(arguments, script, out, err);
        errors = err.str();
        return status;
    }

    fs::path dir;
};

TEST_F(WarpToolAnimation, SmoothOutputAndFramesComeFromTheFieldItWrites) {
    std::string errors;
    ASSERT_EQ(run({"--field", (dir / "exact.raw").string(), GRIMORA_PHOTO, "-",
                   (dir / "exact.png").string()},
                  errors),
              cli::kExitSuccess)
        << errors;
    ASSERT_EQ(run({"--smooth", "--field", (dir / "smooth.raw").string(), "--animation",
                   (dir / "a.gif").string(), "--frames", "5", "--ping-pong", "--delay", "60",
                   "--longest-side", "200", GRIMORA_PHOTO, "-", (dir / "smooth.png").string()},
                  errors),
              cli::kExitSuccess)
        << errors;
    // The field is the same with or without --smooth.
    std::ifstream a(dir / "exact.raw", std::ios::binary);
    std::ifstream b(dir / "smooth.raw", std::ios::binary);
    ASSERT_TRUE(
        std::equal(std::istreambuf_iterator<char>(a), {}, std::istreambuf_iterator<char>(b), {}));

    const OwnedDib source = Load(GRIMORA_PHOTO);
    const int32_t w = DibWidth(source.get());
    const int32_t h = DibHeight(source.get());
    const DisplacementField field = ReadField(dir / "smooth.raw", w, h);
    OwnedDib expected;
    class : public MessageSink {
        void showMessage(const std::string&) override {}
    } quiet;
    renderSmooth(source.get(), field, expected, quiet);
    const OwnedDib written = Load(dir / "smooth.png");
    ASSERT_NE(written->bits, nullptr);
    for (int32_t r = 0; r < h; ++r) {
        ASSERT_EQ(0, std::memcmp(DibRow(written.get(), r), DibRow(expected.get(), r), 3 * w))
            << "row " << r;
    }
    const OwnedDib exact = Load(dir / "exact.png");
    EXPECT_NE(0, std::memcmp(exact->bits, written->bits, exact->info->bmiHeader.biSizeImage));

    // There and back again: 5 + 3 frames of 60 ms, starting on frame 0 and
    // ending on frame 1 of the smooth morph at 200 pixels.
    const MorphRenderer frames(source.get(), field, 5, 200, true);
    RgbaFrame frame;
    frames.render(0, frame);
    animation_test::WritePpm(dir / "first.ppm", frame);
    frames.render(1, frame);
    animation_test::WritePpm(dir / "second.ppm", frame);
    const animation_test::Decoded d =
        animation_test::Decode(dir / "a.gif", dir / "first.ppm", dir / "second.ppm");
    EXPECT_EQ(d.frames, 8);
    EXPECT_EQ(d.delays, std::vector<int>(8, 60));
    EXPECT_LE(d.firstMean, 2.5);
    EXPECT_LE(d.lastMean, 2.5);
}

TEST_F(WarpToolAnimation, OptionsOutOfPlaceOrRangeAreUsageErrors) {
    const std::string out = (dir / "out.png").string();
    const std::string gif = (dir / "a.gif").string();
    const std::vector<std::vector<std::string>> wrong = {
        {"--frames", "5", "blank:9x9", "-", out},
        {"--ping-pong", "blank:9x9", "-", out},
        {"--animation", (dir / "a.png").string(), "blank:9x9", "-", out},
        {"--animation", gif, "--frames", "1", "blank:9x9", "-", out},
        {"--animation", gif, "--frames", "x", "blank:9x9", "-", out},
        {"--animation", gif, "--delay", "5", "blank:9x9", "-", out},
        {"--animation", gif, "--longest-side", "8", "blank:9x9", "-", out},
        {"--animation"}};
    for (const auto& arguments : wrong) {
        std::string errors;
        EXPECT_EQ(run(arguments, errors), cli::kExitUsage) << arguments[0] << " " << arguments[1];
        EXPECT_FALSE(errors.empty());
    }
    EXPECT_TRUE(fs::is_empty(dir));
}

}  // namespace
}  // namespace grimora
