// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "warp/warp_file.h"
#include "warp_tool_fixture.h"

namespace grimora::cli {
namespace {

const std::string kStrokes =
    "brush grow\nstrength 1\nradius 30\nnormalize off\npress 60 40\nmove 70 44\ntick\n"
    "release 70 44\nbrush smear\nstrength 0.6\nradius 25\npress 20 60\nmove 40 62\n"
    "move 55 50\nrelease 55 50\nbrush lug\npress 100 20\nmove 90 30\nrelease 90 30\n";

// What Debian's python3 with OpenCV says of a map; "ok" when it agrees.
std::string CheckWithOpenCv(const std::string& arguments) {
    const std::string command = "/usr/bin/python3 '" + std::string(GRIMORA_FIXTURES) +
                                "/../cli/check_maps.py' " + arguments + " 2>&1";
    std::string said;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return "python3 cannot be started";
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        said += buffer;
    }
    ::pclose(pipe);
    return said;
}

bool SameBytes(const fs::path& a, const fs::path& b) {
    std::ifstream x(a, std::ios::binary);
    std::ifstream y(b, std::ios::binary);
    const std::string first((std::istreambuf_iterator<char>(x)), std::istreambuf_iterator<char>());
    const std::string second((std::istreambuf_iterator<char>(y)), std::istreambuf_iterator<char>());
    return !first.empty() && first == second;
}

// The maps, read by OpenCV alone: its nearest remap of the source through
// the pixel map is the result picture byte for byte, and the STMap gives
// back every entry of the field.
TEST_F(WarpToolTest, OpenCvAppliesTheExportedMapsAsGrimoraDoes) {
    writePattern(dir / "in.png", 130, 90);
    file("strokes.txt", kStrokes);
    const std::string in = (dir / "in.png").string();
    const std::string strokes = (dir / "strokes.txt").string();
    ToolRun run = runHere({"--field", (dir / "f.raw").string(), "--export-map",
                           (dir / "map.tif").string(), in, strokes, (dir / "out.png").string()});
    ASSERT_EQ(run.status, 0) << run.errors;
    run = runHere(
        {"--export-map", (dir / "map.EXR").string(), in, strokes, (dir / "out2.png").string()});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(CheckWithOpenCv("remap '" + (dir / "map.tif").string() + "' '" + in + "' '" +
                              (dir / "out.png").string() + "'"),
              "ok\n");
    EXPECT_EQ(CheckWithOpenCv("stmap '" + (dir / "map.EXR").string() + "' '" +
                              (dir / "f.raw").string() + "'"),
              "ok\n");
    // The strokes moved something: the check compared a warp, not a copy.
    EXPECT_FALSE(SameBytes(dir / "in.png", dir / "out.png"));
}

TEST_F(WarpToolTest, ASavedWarpLoadedOntoItsPictureGivesTheSameFieldMaskAndPicture) {
    writePattern(dir / "in.png", 130, 90);
    // Part of the picture frozen first, so that the mask is in the file and
    // the strokes after it move less there.
    file("strokes.txt",
         "brush freeze\nstrength 0.5\nradius 20\npress 65 45\nrelease 65 45\n" + kStrokes);
    const std::string in = (dir / "in.png").string();
    ToolRun run =
        runHere({"--field", (dir / "a.raw").string(), "--save-warp", (dir / "a.gwarp").string(), in,
                 (dir / "strokes.txt").string(), (dir / "a.png").string()});
    ASSERT_EQ(run.status, 0) << run.errors;
    // The loaded warp is where the history starts: an undo before any
    // stroke takes nothing back.
    run = runHere({"--field", (dir / "b.raw").string(), "--load-warp", (dir / "a.gwarp").string(),
                   in, "-", (dir / "b.png").string()},
                  "undo\n");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(readField(dir / "b.raw"), readField(dir / "a.raw"));
    EXPECT_TRUE(SameBytes(dir / "a.png", dir / "b.png"));

    WarpFile saved;
    std::string error;
    ASSERT_TRUE(ReadWarpFile((dir / "a.gwarp").string(), saved, error)) << error;
    EXPECT_EQ(saved.origin.source, "in.png");
    ASSERT_EQ(saved.mask.size(), 130u * 90u);
    EXPECT_GT(saved.mask[45 * 130 + 65], 0);
    EXPECT_EQ(saved.mask[0], 0);

    // The mask comes back with the field: saved again, the same file.
    run = runHere({"--load-warp", (dir / "a.gwarp").string(), "--save-warp",
                   (dir / "b.gwarp").string(), in, "-", (dir / "b.png").string()});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_TRUE(SameBytes(dir / "a.gwarp", dir / "b.gwarp"));
    // Onto another size, by the same choice of saved entry as the field.
    run = runHere({"--load-warp", (dir / "a.gwarp").string(), "--save-warp",
                   (dir / "c.gwarp").string(), "blank:97x120", "-", (dir / "c.png").string()});
    ASSERT_EQ(run.status, 0) << run.errors;
    WarpFile fitted;
    ASSERT_TRUE(ReadWarpFile((dir / "c.gwarp").string(), fitted, error)) << error;
    EXPECT_EQ(fitted.mask, FitMask(saved.mask, 130, 90, 97, 120));
}

TEST_F(WarpToolTest, AWarpOfAnotherSizeIsFittedAndSaidSoAndTheRunGoesOn) {
    file("strokes.txt", kStrokes);
    ToolRun run = runHere({"--save-warp", (dir / "a.gwarp").string(), "blank:130x90",
                           (dir / "strokes.txt").string(), (dir / "a.bmp").string()});
    ASSERT_EQ(run.status, 0) << run.errors;
    run = runHere({"--load-warp", (dir / "a.gwarp").string(), "--field", (dir / "b.raw").string(),
                   "blank:200x61", "-", (dir / "b.bmp").string()},
                  "brush rubber\nradius 10\npress 5 5\nrelease 5 5\nundo\n");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "grimora-warp: " + (dir / "a.gwarp").string() +
                              " was made for 130 x 90 pixels; it is scaled to 200 x 61\n");
    WarpFile saved;
    std::string error;
    ASSERT_TRUE(ReadWarpFile((dir / "a.gwarp").string(), saved, error)) << error;
    EXPECT_EQ(saved.origin.source, "blank:130x90");
    const std::optional<DisplacementField> fitted = FitField(saved.field, 200, 61);
    ASSERT_TRUE(fitted);
    EXPECT_EQ(readField(dir / "b.raw"),
              std::vector<Displacement>(fitted->data(), fitted->data() + fitted->size()));
}

TEST_F(WarpToolTest, BadWarpFilesAndMapNamesStopTheRunWithOneLine) {
    file("ok.txt", "press 1 1\n");
    file("junk.gwarp", std::string("II*\0 this is not a warp", 24));
    const fs::path out = dir / "out.bmp";
    const std::string ok = (dir / "ok.txt").string();
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string mentions;
    };
    for (const Case& c : std::vector<Case>{
             {{"--load-warp", (dir / "none.gwarp").string(), "blank:9x9", ok, out.string()},
              kExitFailure,
              "none.gwarp: The warp file cannot be read: No such file"},
             {{"--load-warp", (dir / "junk.gwarp").string(), "blank:9x9", ok, out.string()},
              kExitFailure,
              "junk.gwarp: The warp file is damaged"},
             {{"--export-map", (dir / "m.png").string(), "blank:9x9", ok, out.string()},
              kExitUsage,
              "--export-map writes .tif, .tiff or .exr files, not"},
             {{"blank:9x9", ok, out.string(), "--save-warp"}, kExitUsage, "--save-warp needs"},
             {{"--save-warp", (dir / "no" / "w.gwarp").string(), "blank:9x9", ok, out.string()},
              kExitFailure,
              "Cannot save " + (dir / "no" / "w.gwarp").string()},
         }) {
        const ToolRun run = runHere(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.mentions << "\n" << run.errors;
        EXPECT_NE(run.errors.find(c.mentions), std::string::npos) << run.errors;
        EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << run.errors;
    }
}

}  // namespace
}  // namespace grimora::cli
