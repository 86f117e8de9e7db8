// SPDX-License-Identifier: GPL-3.0-or-later
// What the tests of grimora-warp share: a folder of their own, patterned
// pictures, the raw field read back, and the tool run in process or as the
// built program.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include <gtest/gtest.h>

#include "cli/runner.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"
#include "picture/picture_writer.h"
#include "warp/displacement_field.h"

namespace grimora::cli {

namespace fs = std::filesystem;

inline uint32_t pattern(int32_t c, int32_t r) {
    return static_cast<uint32_t>(c) | static_cast<uint32_t>(r) << 8 |
           static_cast<uint32_t>((c * 7 + r * 13) & 0xFF) << 16;
}

// A 24-bit picture in which every pixel differs from its neighbours.
inline void writePattern(const fs::path& path, int32_t width, int32_t height) {
    OwnedDib picture;
    ASSERT_TRUE(picture.make(width, height, 24));
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            setpixel(*picture, c, r, pattern(c, r));
        }
    }
    std::string error;
    ASSERT_TRUE(SavePicture(*picture, path.string(), error)) << error;
}

inline OwnedDib load(const fs::path& path) {
    Dib dib;
    OpenDib(dib, path.c_str(), ProgressCallback{});
    return OwnedDib(dib);
}

inline std::vector<Displacement> readField(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<Displacement> field(bytes.size() / 8);
    const auto word = [&](std::size_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) {
            v = v << 8 | static_cast<uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
        }
        return static_cast<int32_t>(v);
    };
    for (std::size_t i = 0; i < field.size(); ++i) {
        field[i] = {word(8 * i), word(8 * i + 4)};
    }
    return field;
}

struct ToolRun {
    int status = -1;
    std::string errors;
};

class WarpToolTest : public testing::Test {
protected:
    void SetUp() override {
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::path(testing::TempDir()) / ("grimora_warp_" + std::string(test->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path file(const std::string& name, const std::string& content) const {
        std::ofstream(dir / name, std::ios::binary) << content;
        return dir / name;
    }

    // In process, with the script "-" read from `script`.
    ToolRun runHere(const std::vector<std::string>& arguments, const std::string& script = "") {
        std::istringstream in(script);
        std::ostringstream out;
        std::ostringstream err;
        ToolRun run;
        run.status = RunWarpTool(arguments, in, out, err);
        run.errors = err.str();
        return run;
    }

    // The built program.
    ToolRun runProgram(const std::string& arguments) {
        const fs::path errors = dir / "stderr.txt";
        const std::string command =
            std::string("'") + GRIMORA_WARP_EXE + "' " + arguments + " 2>'" + errors.string() + "'";
        const int raw = std::system(command.c_str());
        ToolRun run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        std::ifstream in(errors);
        run.errors.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return run;
    }

    fs::path dir;
};

}  // namespace grimora::cli
