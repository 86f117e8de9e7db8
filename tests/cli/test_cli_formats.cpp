// SPDX-License-Identifier: GPL-3.0-or-later
// grimora-warp reads and writes every picture format that the library does.
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/runner.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"

namespace grimora {
namespace {

namespace fs = std::filesystem;

const std::string kFixtures = std::string(GRIMORA_FIXTURES) + "/";

class WarpToolFormats : public testing::Test {
protected:
    void SetUp() override {
        // One folder a test: CTest runs them side by side.
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::path(testing::TempDir()) / ("grimora_warp_formats_" + std::string(test->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    int run(const std::string& input, const std::string& output, std::string& errors) {
        std::istringstream script("brush grow\nstrength 50\nradius 4\npress 5 3\nrelease 5 3\n");
        std::ostringstream out;
        std::ostringstream err;
        const int status = cli::RunWarpTool({input, "-", output}, script, out, err);
        errors = err.str();
        return status;
    }

    fs::path dir;
};

TEST_F(WarpToolFormats, WritesEveryFormatFromEveryFormat) {
    const char* inputs[] = {"blank:13x7",
                            "gif/netpbm_4bit.gif",
                            "png/pillow_palette_1bit.png",
                            "png/pillow_rgb_8bit.png",
                            "jpeg/pillow_baseline.jpg",
                            "tiff/pillow_rgb_lzw.tif"};
    const char* outputs[] = {"out.bmp", "out.png", "out.jpg", "out.jpeg", "out.tif", "out.TIFF"};
    for (const char* input : inputs) {
        const std::string source =
            std::string(input).rfind("blank:", 0) == 0 ? input : kFixtures + input;
        for (const char* name : outputs) {
            const fs::path output = dir / name;
            std::string errors;
            ASSERT_EQ(run(source, output.string(), errors), cli::kExitSuccess)
                << input << " to " << name << ": " << errors;
            Dib loaded;
            OpenDib(loaded, output.c_str(), nullptr);
            const OwnedDib back(loaded);
            ASSERT_NE(back->bits, nullptr) << input << " to " << name << ": " << back->errorText;
            EXPECT_EQ(back->info->bmiHeader.biWidth, 13) << input << " to " << name;
            EXPECT_EQ(back->info->bmiHeader.biHeight, 7) << input << " to " << name;
            fs::remove(output);
        }
    }
}

TEST_F(WarpToolFormats, AnUnknownExtensionNamesTheKnownOnes) {
    std::string errors;
    EXPECT_EQ(run("blank:4x4", (dir / "out.gif").string(), errors), cli::kExitFailure) << errors;
    EXPECT_NE(errors.find("it writes .bmp, .png, .jpg, .jpeg, .tif and .tiff files."),
              std::string::npos)
        << errors;
    EXPECT_TRUE(fs::is_empty(dir));
}

}  // namespace
}  // namespace grimora
