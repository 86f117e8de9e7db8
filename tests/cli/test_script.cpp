// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <sstream>
#include <streambuf>
#include <string>

#include <gtest/gtest.h>

#include "cli/script.h"

namespace grimora::cli {
namespace {

TEST(Script, ReadsEveryCommandWithItsLine) {
    std::istringstream text(
        "# a stroke\n"
        "\n"
        "brush smear   # dragging\n"
        "strength 2\r\n"
        "radius 0\n"
        "axes x\n"
        "normalize off\n"
        "  zoom 0,3\n"
        "press -5 7\n"
        "move 2147483647 -2147483648\n"
        "tick\n"
        "release 1 2\n"
        "pressure 0\n"
        "pressure 1024\n");
    std::string error;
    const auto script = ParseScript(text, error);
    ASSERT_TRUE(script) << error;
    ASSERT_EQ(script->size(), 12u);

    EXPECT_EQ((*script)[0].number, 3);
    EXPECT_EQ(std::get<SetBrush>((*script)[0].command).mode, EffectMode::Smear);
    EXPECT_EQ(std::get<SetStrength>((*script)[1].command).value, 2.0);
    EXPECT_EQ(std::get<SetRadius>((*script)[2].command).value, 0.0);
    const AxisSwitches axes = std::get<SetAxes>((*script)[3].command).axes;
    EXPECT_TRUE(axes.x);
    EXPECT_FALSE(axes.y);
    EXPECT_FALSE(std::get<SetNormalize>((*script)[4].command).on);
    const SetZoom& zoom = std::get<SetZoom>((*script)[5].command);
    EXPECT_EQ(zoom.text, "0,3");
    EXPECT_DOUBLE_EQ(zoom.value, 0.3);
    EXPECT_EQ(std::get<Press>((*script)[6].command).at, (ViewPoint{-5, 7}));
    EXPECT_EQ(std::get<Move>((*script)[7].command).at, (ViewPoint{INT32_MAX, INT32_MIN}));
    EXPECT_TRUE(std::holds_alternative<Tick>((*script)[8].command));
    EXPECT_EQ(std::get<Release>((*script)[9].command).at, (ViewPoint{1, 2}));
    EXPECT_EQ((*script)[9].number, 12);
    EXPECT_EQ(std::get<SetPressure>((*script)[10].command).k, 0);
    EXPECT_EQ(std::get<SetPressure>((*script)[11].command).k, 1024);
}

TEST(Script, AMalformedLineIsNamedByNumberAndText) {
    for (const char* bad : {
             "brush big",   "brush",         "strength",          "strength abc", "strength 1e3",
             "radius 1 2",  "axes z",        "normalize yes",     "zoom",         "press 1",
             "press 1 2 3", "press 1.5 2",   "move 2147483648 0", "release x 0",  "tick 1",
             "pressure",    "pressure 1025", "pressure -1",       "pressure 0.5", "pressure 512 1",
             "jump 1 2",    "Press 1 2",
         }) {
        std::istringstream text(std::string("brush grow\n\n") + bad + "\npress 1 1\n");
        std::string error;
        EXPECT_FALSE(ParseScript(text, error)) << bad;
        EXPECT_NE(error.find("line 3"), std::string::npos) << error;
        EXPECT_NE(error.find(bad), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(Script, AnErrorQuotesJunkShortAndOnOneLine) {
    for (const std::string& bad : {
             "press 1 " + std::string(1000000, '7'),
             std::string("brush \x1b[2J\x01\x7f"),
             "strength " + std::string(100, '\xe9') + "x",
         }) {
        std::istringstream text("tick\n" + bad + "\n");
        std::string error;
        EXPECT_FALSE(ParseScript(text, error));
        EXPECT_EQ(error.rfind("line 2: ", 0), 0u) << error;
        EXPECT_LT(error.size(), 200u) << error;
        EXPECT_TRUE(std::none_of(error.begin(), error.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        })) << error;
    }
}

// Gives `limit` bytes of 'x' without a line end, and counts what was taken.
class LineWithoutEnd : public std::streambuf {
public:
    explicit LineWithoutEnd(std::size_t limit) : limit_(limit) {}
    std::size_t handedOut = 0;

private:
    int_type underflow() override {
        if (handedOut >= limit_) {
            return traits_type::eof();
        }
        handedOut += block_.size();
        setg(block_.data(), block_.data(), block_.data() + block_.size());
        return 'x';
    }
    std::size_t limit_;
    std::string block_ = std::string(4096, 'x');
};

TEST(Script, ALineWithoutEndIsRefusedWithoutReadingItAll) {
    LineWithoutEnd junk(std::size_t{64} << 20);
    std::istream text(&junk);
    std::string error;
    EXPECT_FALSE(ParseScript(text, error));
    EXPECT_EQ(error.rfind("line 1: ", 0), 0u) << error;
    EXPECT_LT(junk.handedOut, std::size_t{1} << 20);
}

}  // namespace
}  // namespace grimora::cli
