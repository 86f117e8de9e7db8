// SPDX-License-Identifier: GPL-3.0-or-later
// grimora-warp: applies a stroke script to a picture without a window.
//
//   grimora-warp [--field FIELD_OUT] [--smooth] [--animation FILE ...] INPUT SCRIPT OUTPUT
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace grimora::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // input, output or memory
inline constexpr int kExitUsage = 2;    // arguments or script

// Runs the tool on `arguments` (without the program's name). The script "-"
// is read from `input`; `output` gets --help, `errors` every message.
int RunWarpTool(const std::vector<std::string>& arguments, std::istream& input,
                std::ostream& output, std::ostream& errors);

}  // namespace grimora::cli
