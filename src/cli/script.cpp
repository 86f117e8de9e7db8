// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/script.h"

#include <charconv>
#include <cstdint>
#include <sstream>
#include <string_view>
#include <system_error>

#include "editor/spin_text.h"

namespace grimora::cli {

namespace {

// The reason a line could not be read; empty when it could.
using Reason = std::string;

// The user's text as an error message quotes it: control bytes become '?',
// so the message stays one line that does not steer the terminal, and a
// long text is cut, so that a line of junk does not flood standard error.
std::string shown(std::string_view text) {
    constexpr std::size_t kLongest = 60;
    std::size_t length = text.size();
    if (length > kLongest) {
        length = kLongest;
        // Not in the middle of a UTF-8 sequence.
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    std::string quoted = "\"";
    for (const char c : text.substr(0, length)) {
        const auto byte = static_cast<unsigned char>(c);
        quoted += byte < 0x20 || byte == 0x7F ? '?' : c;
    }
    quoted += length < text.size() ? "...\"" : "\"";
    return quoted;
}

std::vector<std::string> splitWords(std::string_view line) {
    std::vector<std::string> words;
    std::istringstream stream{std::string(line)};
    std::string word;
    while (stream >> word) {
        words.push_back(word);
    }
    return words;
}

Reason readFieldNumber(const std::string& text, double& value) {
    const std::optional<DecimalText> number = ParseDecimalText(text);
    if (!number) {
        return shown(text) + " is not a number";
    }
    value = number->toDouble();
    return {};
}

Reason readCoordinate(const std::string& text, int32_t& value) {
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(begin, end, value);
    if (error == std::errc::result_out_of_range) {
        return shown(text) + " is out of the 32-bit range";
    }
    if (error != std::errc() || last != end) {
        return shown(text) + " is not a whole number";
    }
    return {};
}

Reason readPoint(const std::vector<std::string>& words, ViewPoint& point) {
    if (words.size() != 3) {
        return words[0] + " takes two coordinates, X and Y";
    }
    Reason reason = readCoordinate(words[1], point.x);
    if (reason.empty()) {
        reason = readCoordinate(words[2], point.y);
    }
    return reason;
}

Reason readCommand(const std::vector<std::string>& words, Command& command) {
    const std::string& name = words[0];
    const auto oneArgument = [&]() -> Reason {
        return words.size() == 2 ? Reason{} : name + " takes one value";
    };

    if (name == "brush") {
        if (Reason r = oneArgument(); !r.empty()) {
            return r;
        }
        const std::string& brush = words[1];
        if (brush == "grow") {
            command = SetBrush{EffectMode::Grow};
        } else if (brush == "shrink") {
            command = SetBrush{EffectMode::Shrink};
        } else if (brush == "rubber") {
            command = SetBrush{EffectMode::Rubber};
        } else if (brush == "smear") {
            command = SetBrush{EffectMode::Smear};
        } else if (brush == "lug") {
            command = SetBrush{EffectMode::Lug};
        } else if (brush == "freeze") {
            command = SetBrush{EffectMode::Freeze};
        } else if (brush == "thaw") {
            command = SetBrush{EffectMode::Thaw};
        } else {
            return "unknown brush " + shown(brush) +
                   " (grow, shrink, rubber, smear, lug, freeze or thaw)";
        }
        return {};
    }
    if (name == "strength" || name == "radius" || name == "zoom") {
        if (Reason r = oneArgument(); !r.empty()) {
            return r;
        }
        double value = 0.0;
        if (Reason r = readFieldNumber(words[1], value); !r.empty()) {
            return r;
        }
        if (name == "strength") {
            command = SetStrength{value};
        } else if (name == "radius") {
            command = SetRadius{value};
        } else {
            command = SetZoom{words[1], value};
        }
        return {};
    }
    if (name == "axes") {
        if (Reason r = oneArgument(); !r.empty()) {
            return r;
        }
        const std::string& axes = words[1];
        if (axes == "xy") {
            command = SetAxes{AxisSwitchesFromRadios(true, false, false)};
        } else if (axes == "x") {
            command = SetAxes{AxisSwitchesFromRadios(false, true, false)};
        } else if (axes == "y") {
            command = SetAxes{AxisSwitchesFromRadios(false, false, true)};
        } else {
            return "unknown axes " + shown(axes) + " (xy, x or y)";
        }
        return {};
    }
    if (name == "normalize") {
        if (Reason r = oneArgument(); !r.empty()) {
            return r;
        }
        if (words[1] != "on" && words[1] != "off") {
            return "normalize is on or off";
        }
        command = SetNormalize{words[1] == "on"};
        return {};
    }
    if (name == "press" || name == "move" || name == "release") {
        ViewPoint point;
        if (Reason r = readPoint(words, point); !r.empty()) {
            return r;
        }
        if (name == "press") {
            command = Press{point};
        } else if (name == "move") {
            command = Move{point};
        } else {
            command = Release{point};
        }
        return {};
    }
    if (name == "pressure") {
        int32_t k = -1;
        const std::string* text = words.size() == 2 ? &words[1] : nullptr;
        if (text == nullptr ||
            std::from_chars(text->data(), text->data() + text->size(), k).ptr !=
                text->data() + text->size() ||
            k < 0 || k > kFullPressure) {
            return "pressure takes a whole number from 0 to 1024";
        }
        command = SetPressure{k};
        return {};
    }
    if (name == "mask") {
        if (Reason r = oneArgument(); !r.empty()) {
            return r;
        }
        if (words[1] != "clear" && words[1] != "invert") {
            return "mask is clear or invert";
        }
        command = MaskCommand{words[1] == "invert"};
        return {};
    }
    if (name == "tick" || name == "undo" || name == "redo") {
        if (words.size() != 1) {
            return name + " takes no values";
        }
        if (name == "tick") {
            command = Tick{};
        } else if (name == "undo") {
            command = Undo{};
        } else {
            command = Redo{};
        }
        return {};
    }
    return "unknown command " + shown(name);
}

}  // namespace

bool ReadScriptLine(std::istream& in, std::string& line) {
    line.clear();
    char c = 0;
    while (in.get(c)) {
        if (c == '\n') {
            return true;
        }
        line += c;
        if (line.size() > kLongestScriptLine) {
            return true;
        }
    }
    return !line.empty();
}

bool ParseScriptLine(std::string_view line, int64_t number, std::optional<Command>& command,
                     std::string& error) {
    command.reset();
    const auto fail = [&](const std::string& reason) {
        error = "line " + std::to_string(number) + ": " + shown(line) + ": " + reason;
        return false;
    };
    if (line.size() > kLongestScriptLine) {
        return fail("longer than " + std::to_string(kLongestScriptLine) + " characters");
    }
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    const std::vector<std::string> words = splitWords(line.substr(0, line.find('#')));
    if (words.empty()) {
        return true;
    }
    Command read;
    if (const Reason reason = readCommand(words, read); !reason.empty()) {
        return fail(reason);
    }
    command = read;
    return true;
}

std::optional<std::vector<ScriptLine>> ParseScript(std::istream& in, std::string& error) {
    std::vector<ScriptLine> script;
    std::string line;
    int64_t number = 0;
    while (ReadScriptLine(in, line)) {
        std::optional<Command> command;
        if (!ParseScriptLine(line, ++number, command, error)) {
            return std::nullopt;
        }
        if (command) {
            script.push_back({number, *command});
        }
    }
    if (in.bad()) {
        error = "the script could not be read to its end";
        return std::nullopt;
    }
    return script;
}

}  // namespace grimora::cli
