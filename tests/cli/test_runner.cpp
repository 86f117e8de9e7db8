// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "cli/runner.h"
#include "editor/stroke_controller.h"
#include "editor/warp_session.h"
#include "picture/dib_queries.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"
#include "picture/picture_writer.h"
#include "warp/effect.h"
#include "warp/render.h"
#include "warp_tool_fixture.h"

namespace grimora::cli {
namespace {

TEST_F(WarpToolTest, ProgramWarpsWhereTheBrushWasAndNowhereElse) {
    constexpr int32_t kW = 120;
    constexpr int32_t kH = 80;
    writePattern(dir / "in.bmp", kW, kH);
    file("grow.txt",
         "brush grow\nstrength 1\nradius 20\nnormalize off\npress 60 40\nrelease 60 40\n");
    const ToolRun run =
        runProgram("--field '" + (dir / "field.raw").string() + "' '" + (dir / "in.bmp").string() +
                   "' '" + (dir / "grow.txt").string() + "' '" + (dir / "out.bmp").string() + "'");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");

    const OwnedDib out = load(dir / "out.bmp");
    ASSERT_NE(out->bits, nullptr) << out->errorText;
    ASSERT_EQ(DibWidth(*out), kW);
    ASSERT_EQ(DibHeight(*out), kH);
    const std::vector<Displacement> field = readField(dir / "field.raw");
    ASSERT_EQ(fs::file_size(dir / "field.raw"), std::uintmax_t{kW} * kH * 8);

    // The brush centre: column 60, memory row 79 - 40.
    int changed = 0;
    for (int32_t r = 0; r < kH; ++r) {
        for (int32_t c = 0; c < kW; ++c) {
            const Displacement e = field[static_cast<std::size_t>(r) * kW + c];
            const bool nearBrush = std::abs(c - 60) <= 20 && std::abs(r - 39) <= 20;
            if (!nearBrush) {
                ASSERT_EQ(e, (Displacement{c, r})) << c << "," << r;
            }
            // Every result pixel is the source pixel its entry names.
            ASSERT_EQ(getpixel(*out, c, r), pattern(e.x, e.y)) << c << "," << r;
            changed += getpixel(*out, c, r) != pattern(c, r) ? 1 : 0;
        }
    }
    EXPECT_GT(changed, 100);
}

// A palette picture of any format is converted to 24 bits before the
// strokes: with none, the result is the picture itself.
TEST_F(WarpToolTest, PalettePicturesOfEveryFormatAreWarpedAtTwentyFourBits) {
    const std::string fixtures = GRIMORA_FIXTURES;
    for (const char* input : {"tga/pillow_type9_8bit_top.tga", "pcx/netpbm_4planes.pcx",
                              "iff/netpbm_4planes.iff", "bmp/netpbm_info_4bit.bmp"}) {
        SCOPED_TRACE(input);
        const fs::path in = fixtures + "/" + input;
        const OwnedDib source = load(in);
        ASSERT_NE(source->bits, nullptr) << source->errorText;
        ASSERT_LE(DibBitCount(*source), 8);
        const ToolRun run = runHere({in.string(), "-", (dir / "out.bmp").string()});
        ASSERT_EQ(run.status, 0) << run.errors;
        const OwnedDib out = load(dir / "out.bmp");
        ASSERT_NE(out->bits, nullptr) << out->errorText;
        ASSERT_EQ(DibBitCount(*out), 24);
        ASSERT_EQ(DibWidth(*out), DibWidth(*source));
        ASSERT_EQ(DibHeight(*out), DibHeight(*source));
        for (int32_t r = 0; r < DibHeight(*out); ++r) {
            for (int32_t c = 0; c < DibWidth(*out); ++c) {
                const PaletteEntry& e = source->logPalette.palPalEntry[getpixel(*source, c, r)];
                ASSERT_EQ(getpixel(*out, c, r),
                          uint32_t{e.peRed} | uint32_t{e.peGreen} << 8 | uint32_t{e.peBlue} << 16)
                    << c << "," << r;
            }
        }
    }
}

TEST_F(WarpToolTest, BlankPictureStaysWhiteWhileTheFieldBends) {
    const ToolRun run = runHere(
        {"--field", (dir / "f.raw").string(), "blank:320x200", "-", (dir / "out.bmp").string()},
        "press 160 100\nmove 165 100\ntick\nrelease 165 100\n");
    ASSERT_EQ(run.status, 0) << run.errors;
    const OwnedDib out = load(dir / "out.bmp");
    ASSERT_NE(out->bits, nullptr) << out->errorText;
    ASSERT_EQ(DibWidth(*out), 320);
    ASSERT_EQ(DibHeight(*out), 200);
    for (int32_t r = 0; r < 200; ++r) {
        for (int32_t c = 0; c < 320; ++c) {
            ASSERT_EQ(getpixel(*out, c, r), 0xFFFFFFu) << c << "," << r;
        }
    }
    const std::vector<Displacement> field = readField(dir / "f.raw");
    ASSERT_EQ(field.size(), 320u * 200u);
    EXPECT_EQ(field[0], (Displacement{0, 0}));
    EXPECT_EQ(field[319], (Displacement{319, 0}));
    EXPECT_EQ(field[199 * 320 + 5], (Displacement{5, 199}));
    EXPECT_NE(field[99 * 320 + 170], (Displacement{170, 99}));
}

TEST_F(WarpToolTest, ScriptDrivesTheSameStepsAsTheEditor) {
    const std::string script =
        "zoom 2\nbrush smear\nstrength 0.8\nradius 30\n"
        "press 200 150\npressure 300\nmove 215 140\nmove 230 150\ntick\nrelease 231 151\n"
        "move 100 100\nbrush lug\naxes y\npress 100 100\nmove 90 104\nrelease 90 104\n";
    const ToolRun run = runHere(
        {"--field", (dir / "f.raw").string(), "blank:200x160", "-", (dir / "out.bmp").string()},
        script);
    ASSERT_EQ(run.status, 0) << run.errors;

    class Quiet : public EditorHost {
        void showMessage(const std::string&) override {}
        void captureMouse() override {}
        void releaseMouse() override {}
        void setTimerEnabled(bool) override {}
        void drawOutline(const OutlineRect&) override {}
        void eraseOutline(const OutlineRect&) override {}
        void drawPicture() override {}
        void setViewSize(int64_t, int64_t) override {}
        void SetProStatus(int32_t) override {}
    } host;
    WarpSession session;
    ASSERT_TRUE(session.loadPicture(MakeWhitePicture(200, 160), host));
    StrokeController editor(session, host);
    BrushSettings brush;
    brush.zoom = 2.0;
    editor.ZoomEdChange("2");
    brush.mode = EffectMode::Smear;
    brush.strength = 0.8;
    brush.radius = 30;
    editor.PaintBox1MouseDown(200, 150, brush);
    brush.pressure = 300;  // from here on: the moves, the tick and the next stroke
    editor.PaintBox1MouseMove(215, 140, brush);
    editor.PaintBox1MouseMove(230, 150, brush);
    editor.Timer1Timer(brush);
    editor.PaintBox1MouseUp(231, 151);
    editor.PaintBox1MouseMove(100, 100, brush);
    brush.mode = EffectMode::Lug;
    brush.xSwitch = false;
    editor.PaintBox1MouseDown(100, 100, brush);
    editor.PaintBox1MouseMove(90, 104, brush);
    editor.PaintBox1MouseUp(90, 104);

    const std::vector<Displacement> expected(session.field().data(),
                                             session.field().data() + session.field().size());
    EXPECT_EQ(readField(dir / "f.raw"), expected);
}

TEST_F(WarpToolTest, FieldIsWrittenThroughLinksAndIntoPipes) {
    const fs::path target = file("target.raw", "old");
    fs::create_symlink(target, dir / "link.raw");
    ToolRun run = runHere(
        {"--field", (dir / "link.raw").string(), "blank:4x3", "-", (dir / "a.bmp").string()});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_TRUE(fs::is_symlink(dir / "link.raw"));
    EXPECT_EQ(fs::file_size(target), 4u * 3u * 8u);

    // A pipe stays a pipe and gets the entries. Opened for reading first, and
    // without blocking, so that the tool's writer finds a reader; 96 bytes
    // fit the pipe's buffer.
    const fs::path pipe = dir / "pipe.raw";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    run = runHere({"--field", pipe.string(), "blank:4x3", "-", (dir / "b.bmp").string()});
    char bytes[200];
    const ssize_t got = ::read(reader, bytes, sizeof bytes);
    ::close(reader);
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(got, 4 * 3 * 8);
    struct stat st {};
    ASSERT_EQ(::stat(pipe.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(WarpToolTest, MessagesOfTheProgramGoToStandardErrorAndTheToolGoesOn) {
    const std::string palette = std::string(GRIMORA_FIXTURES) + "/bmp/pillow_info_8bit.bmp";
    const ToolRun run = runHere({palette, "-", (dir / "out.bmp").string()},
                                "zoom 0\npress 10 10\nmove 11 11\nrelease 11 11\n");
    ASSERT_EQ(run.status, 0) << run.errors;
    // The zoom's message; the press at zoom 0 changes nothing.
    EXPECT_EQ(run.errors, "Floating point division by zero\n");
    const OwnedDib source = load(palette);
    const OwnedDib out = load(dir / "out.bmp");
    ASSERT_NE(out->bits, nullptr) << out->errorText;
    for (const auto& [c, r] : {std::pair{0, 0}, std::pair{12, 6}}) {
        const PaletteEntry& e = source->logPalette.palPalEntry[getpixel(*source, c, r)];
        EXPECT_EQ(getpixel(*out, c, r),
                  uint32_t{e.peRed} | uint32_t{e.peGreen} << 8 | uint32_t{e.peBlue} << 16);
    }
}

// Run as a program: a fault in the brushes shows as a failed run, not as the
// end of the test program.
TEST_F(WarpToolTest, ValuesAreUsedAsTypedWithoutCrashing) {
    file("extreme.txt",
         "radius 0\npress 30 25\nrelease 30 25\n"
         "radius -5\nstrength -1\npress 30 25\nrelease 30 25\n"
         "radius 99999999999999\nstrength 100000000000000000000000000\npress 30 25\n"
         "move 0 0\nrelease 0 0\n"
         "strength 0.5\nradius 20\nbrush smear\npress 1 1\nmove 2147483647 -2147483648\n"
         "release 0 0\n"
         // 2147483647 : 10 puts the extreme view positions inside the picture,
         // so the mouse motion of the step is beyond 32 bits.
         "zoom 214748364.7\npress 2147483647 -1\nmove -1 2147483647\nrelease 0 0\n"
         "brush lug\npress 2147483647 -1\nmove -1 2147483647\nrelease 0 0\n");
    const ToolRun run = runProgram("blank:60x50 '" + (dir / "extreme.txt").string() + "' '" +
                                   (dir / "out.bmp").string() + "'");
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    EXPECT_TRUE(fs::exists(dir / "out.bmp"));
}

TEST_F(WarpToolTest, FailuresExitNonzeroWithOneLine) {
    const fs::path out = dir / "out.bmp";
    file("bad.txt", "brush grow\npress 1 1\nstrength much\n");
    file("ok.txt", "press 1 1\n");
    file("junk.bmp", "this is not a picture");
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string mentions;
    };
    const std::string ok = (dir / "ok.txt").string();
    for (const Case& c : std::vector<Case>{
             {{}, kExitUsage, "usage"},
             {{"blank:10x10", ok}, kExitUsage, "usage"},
             {{"--zoom", "blank:10x10", ok, out.string()}, kExitUsage, "--zoom"},
             {{"blank:10x10", ok, out.string(), "--field"}, kExitUsage, "--field"},
             {{"blank:10x10", (dir / "bad.txt").string(), out.string()},
              kExitUsage,
              "line 3: \"strength much\""},
             {{"blank:10x10", (dir / "none.txt").string(), out.string()}, kExitUsage, "none.txt"},
             {{"blank:10y10", ok, out.string()}, kExitUsage, "blank:10y10"},
             {{"blank:0x10", ok, out.string()}, kExitUsage, "blank:0x10"},
             {{"blank:70000x10", ok, out.string()}, kExitFailure, "70000"},
             {{(dir / "missing.bmp").string(), ok, out.string()}, kExitFailure, "missing.bmp"},
             {{(dir / "junk.bmp").string(), ok, out.string()}, kExitFailure, "junk.bmp"},
             {{"blank:10x10", ok, (dir / "no" / "such" / "dir.bmp").string()},
              kExitFailure,
              "dir.bmp"},
             {{"--field", (dir / "no" / "f.raw").string(), "blank:10x10", ok, out.string()},
              kExitFailure,
              "f.raw"},
         }) {
        const ToolRun run = runHere(c.arguments);
        std::string shown;
        for (const auto& a : c.arguments) {
            shown += a + " ";
        }
        EXPECT_EQ(run.status, c.status) << shown << "\n" << run.errors;
        EXPECT_NE(run.errors.find(c.mentions), std::string::npos) << shown << "\n" << run.errors;
        EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << run.errors;
        if (c.status == kExitUsage) {
            EXPECT_FALSE(fs::exists(out)) << shown;
        }
    }
}

// Hands a script out a line at a time and notes what standard error held
// each time the tool asked for the next line.
class LineByLine : public std::streambuf {
public:
    LineByLine(std::vector<std::string> lines, const std::ostringstream& errors)
        : lines_(std::move(lines)), errors_(errors) {}

    std::vector<std::string> seen;

protected:
    int_type underflow() override {
        if (next_ == lines_.size()) {
            return traits_type::eof();
        }
        seen.push_back(errors_.str());
        current_ = lines_[next_++] + "\n";
        setg(current_.data(), current_.data(), current_.data() + current_.size());
        return traits_type::to_int_type(current_[0]);
    }

private:
    std::vector<std::string> lines_;
    const std::ostringstream& errors_;
    std::size_t next_ = 0;
    std::string current_;
};

// Each line runs before the next is read: a script from a pipe that never
// ends does not pile up. A zoom below 0 or too large is told, as zoom 0 is,
// and the script goes on with the zoom it had.
TEST_F(WarpToolTest, EachLineRunsAsItIsRead) {
    std::ostringstream out;
    std::ostringstream errors;
    LineByLine script({"zoom 0", "zoom -1", "zoom 300000000", "press 5 5", "release 5 5"}, errors);
    std::istream in(&script);
    const int status = RunWarpTool(
        {"--field", (dir / "f.raw").string(), "blank:20x10", "-", (dir / "out.bmp").string()}, in,
        out, errors);
    ASSERT_EQ(status, kExitSuccess) << errors.str();
    const std::vector<std::string> expected = {
        "", "Floating point division by zero\n",
        "Floating point division by zero\nzoom -1: below 0, the zoom stays as it was\n",
        "Floating point division by zero\nzoom -1: below 0, the zoom stays as it was\n"
        "zoom 300000000: too large, the zoom stays as it was\n"};
    ASSERT_GE(script.seen.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(script.seen[i], expected[i]) << "before line " << i + 1;
    }
    // The press, at zoom 1 still, bent the field around (5, 4 from the bottom).
    const std::vector<Displacement> bent = readField(dir / "f.raw");
    ASSERT_EQ(bent.size(), 200u);
    int moved = 0;
    for (int32_t r = 0; r < 10; ++r) {
        for (int32_t c = 0; c < 20; ++c) {
            moved += bent[static_cast<std::size_t>(r * 20 + c)] != Displacement{c, r} ? 1 : 0;
        }
    }
    EXPECT_GT(moved, 0);
}

// The outputs are looked at before anything is loaded, and picture and
// field put in place only when both are complete: no failure leaves one
// replaced and the other not, and no file is given two outputs.
TEST_F(WarpToolTest, OutputsAreCheckedTogetherAndWrittenTogether) {
    const fs::path out = file("out.bmp", "old picture");
    const fs::path field = file("field.raw", "old field");
    fs::create_symlink(out, dir / "also_out.bmp");
    fs::create_symlink(out, dir / "also_out.gif");
    fs::create_symlink(dir / "gone.raw", dir / "dangling.raw");
    const fs::path locked = file("locked.bmp", "locked");
    fs::permissions(locked, fs::perms::owner_read);
    struct Case {
        std::vector<std::string> arguments;
        std::string mentions;
    };
    std::vector<Case> cases = {
        {{"--field", (dir / "also_out.bmp").string(), "blank:4x3", "-", out.string()},
         out.string() + " and " + (dir / "also_out.bmp").string() + " are the same file"},
        {{"--field", out.string(), "blank:4x3", "-", (dir / "." / "out.bmp").string()},
         "are the same file"},
        {{"--animation", (dir / "also_out.gif").string(), "blank:4x3", "-", out.string()},
         "also_out.gif are the same file"},
        {{"--field", (dir / "dangling.raw").string(), "blank:4x3", "-", out.string()},
         "dangling.raw: it is a link to " + (dir / "gone.raw").string() + ", which does not exist"},
        {{"--field", field.string(), "blank:4x3", "-", locked.string()},
         locked.string() + " is write-protected."},
    };
    // The field fails as it is written: the picture, complete by then, is
    // not put in place either.
    if (fs::exists("/dev/full")) {
        cases.push_back({{"--field", "/dev/full", "blank:4x3", "-", out.string()},
                         "Cannot write /dev/full: No space left on device."});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mentions);
        const ToolRun run = runHere(c.arguments, "press 1 1\nrelease 1 1\n");
        EXPECT_EQ(run.status, kExitFailure);
        EXPECT_NE(run.errors.find(c.mentions), std::string::npos) << run.errors;
        std::ifstream picture(out, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(picture), {}), "old picture");
        std::ifstream raw(field, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(raw), {}), "old field");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 6);
    }
}

// Undo and redo in a script: each run's field and picture equal those of the
// script that never had what was undone. The history starts at INPUT.
TEST_F(WarpToolTest, UndoAndRedoTakeWholeStrokesBackAndForth) {
    writePattern(dir / "in.bmp", 90, 70);
    const std::string a = "brush grow\nradius 25\npress 40 30\nmove 44 33\ntick\nrelease 44 33\n";
    const std::string b = "brush smear\npress 20 50\nmove 30 52\nrelease 30 52\n";
    const std::string c = "brush shrink\npress 60 20\nrelease 60 20\n";
    const struct {
        const char* name;
        std::string script;
        std::string same;
    } cases[] = {
        {"undo the last", a + b + "undo\n", a},
        {"undo past the start does nothing", a + "undo\nundo\nundo\n", ""},
        {"redo brings it back", a + b + "undo\nundo\nredo\n", a},
        {"a new stroke drops the redo", a + b + "undo\n" + c + "redo\n", a + c},
        {"undo inside a stroke does nothing", "brush grow\npress 40 30\nundo\nrelease 40 30\n",
         "brush grow\npress 40 30\nrelease 40 30\n"},
        {"a stroke that changes nothing is no step",
         a + "brush smear\npress 5 5\nrelease 5 5\nundo\n", ""},
    };
    for (const auto& c : cases) {
        const auto run = [&](const std::string& script, const char* name) {
            const ToolRun r = runHere(
                {"--field", (dir / (std::string(name) + ".raw")).string(),
                 (dir / "in.bmp").string(), "-", (dir / (std::string(name) + ".bmp")).string()},
                script);
            EXPECT_EQ(r.status, 0) << c.name << ": " << r.errors;
        };
        run(c.script, "with");
        run(c.same, "without");
        EXPECT_EQ(readField(dir / "with.raw"), readField(dir / "without.raw")) << c.name;
        const OwnedDib with = load(dir / "with.bmp");
        const OwnedDib without = load(dir / "without.bmp");
        ASSERT_NE(with->bits, nullptr) << c.name;
        EXPECT_EQ(0, std::memcmp(with->bits, without->bits, with->info->bmiHeader.biSizeImage))
            << c.name;
    }
}

// Freeze paints a disc no warp brush moves; thaw, mask clear and invert take
// it back, each a step of its own.
TEST_F(WarpToolTest, FrozenEntriesStayWhereTheyAreUnderEveryBrush) {
    const std::string freeze = "brush freeze\nradius 15\npress 50 40\nrelease 50 40\n";
    const std::string warp =
        "brush smear\nradius 45\nstrength 1\npress 40 40\nmove 50 45\nmove 60 48\nrelease 60 48\n"
        "brush grow\npress 50 40\ntick\nrelease 50 40\n";
    const auto field = [&](const std::string& script) {
        const ToolRun r = runHere(
            {"--field", (dir / "f.raw").string(), "blank:100x80", "-", (dir / "o.bmp").string()},
            script);
        EXPECT_EQ(r.status, 0) << r.errors;
        return readField(dir / "f.raw");
    };
    // The disc about column 50, memory row 79 - 40, radius 15.
    const auto inDisc = [](int32_t c, int32_t r) {
        const int64_t dx = c - 50;
        const int64_t dy = r - 39;
        const auto n = static_cast<uint64_t>(dx * dx + dy * dy);
        return (n == 0 ? 0 : HeronSqrt(n)) <= 15;
    };
    const std::vector<Displacement> frozen = field(freeze + warp);
    const std::vector<Displacement> free = field(warp);
    int movedOutside = 0;
    for (int32_t r = 0; r < 80; ++r) {
        for (int32_t c = 0; c < 100; ++c) {
            const Displacement e = frozen[static_cast<std::size_t>(r) * 100 + c];
            if (inDisc(c, r)) {
                ASSERT_EQ(e, (Displacement{c, r})) << c << "," << r;
            } else {
                movedOutside += e != Displacement{c, r} ? 1 : 0;
            }
        }
    }
    EXPECT_GT(movedOutside, 500);
    EXPECT_EQ(field(freeze + "mask clear\n" + warp), free);
    EXPECT_EQ(field(freeze + "brush thaw\nradius 20\npress 50 40\nrelease 50 40\n" + warp), free);
    EXPECT_EQ(field(freeze + "mask invert\nmask invert\n" + warp), frozen);
    EXPECT_EQ(field(freeze + "mask clear\nundo\n" + warp), frozen);
    EXPECT_EQ(field(freeze + "undo\nredo\n" + warp), frozen);
}

}  // namespace
}  // namespace grimora::cli
