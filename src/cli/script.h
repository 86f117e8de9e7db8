// SPDX-License-Identifier: GPL-3.0-or-later
// The stroke script of grimora-warp: one command a line, '#' starts a comment.
//
//   brush grow|shrink|rubber|smear|lug|freeze|thaw   strength S   radius R
//   axes xy|x|y   normalize on|off   zoom Z
//   press X Y   move X Y   release X Y   tick
//   undo   redo   mask clear|invert   pressure K
//
// S, R and Z are read as the tool bar's fields read their text, without
// range checks; X and Y are whole view coordinates of the zoomed editing view;
// K is a pen's pressure in 1024ths, 0 to 1024, for the dabs that follow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "editor/brush_settings.h"
#include "editor/stroke_controller.h"
#include "warp/effect.h"

namespace grimora::cli {

struct SetBrush {
    EffectMode mode = EffectMode::Grow;
};
struct SetStrength {
    double value = 0.0;
};
struct SetRadius {
    double value = 0.0;
};
struct SetAxes {
    AxisSwitches axes;
};
struct SetNormalize {
    bool on = true;
};
struct SetZoom {
    std::string text;  // as typed: the ratio is worked out from the digits
    double value = 0.0;
};
struct Press {
    ViewPoint at;
};
struct Move {
    ViewPoint at;
};
struct Release {
    ViewPoint at;
};
struct Tick {};
struct SetPressure {
    int32_t k = kFullPressure;
};
struct Undo {};
struct Redo {};
struct MaskCommand {
    bool invert = false;  // false: clear
};

using Command = std::variant<SetBrush, SetStrength, SetRadius, SetAxes, SetNormalize, SetZoom,
                             Press, Move, Release, Tick, Undo, Redo, MaskCommand, SetPressure>;

struct ScriptLine {
    int64_t number = 0;  // 1-based line of the script text
    Command command;
};

// No command needs a line this long.
inline constexpr std::size_t kLongestScriptLine = 4096;

// One line without its '\n', at most kLongestScriptLine + 1 characters of
// it, so that a script without line ends (/dev/zero, say) cannot take all
// memory; false at the end of the input.
bool ReadScriptLine(std::istream& in, std::string& line);

// The command of line `number` (1-based) of a script: none for a blank line
// or a comment. False with a one-line `error` that names the line number and
// the line.
bool ParseScriptLine(std::string_view line, int64_t number, std::optional<Command>& command,
                     std::string& error);

// The commands of a whole script, or nothing and the error of its first bad
// line.
std::optional<std::vector<ScriptLine>> ParseScript(std::istream& in, std::string& error);

}  // namespace grimora::cli
