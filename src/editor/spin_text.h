// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the numbers that the user types into the tool bar's spin edits.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace grimora {

// A decimal number exactly as typed, before any binary rounding, so that
// 0.3 stays three tenths and not the double nearest to it.
struct DecimalText {
    bool negative = false;
    std::string integerDigits;   // without leading zeros; empty for 0
    std::string fractionDigits;  // without trailing zeros

    bool isZero() const { return integerDigits.empty() && fractionDigits.empty(); }
    // The nearest double; a value beyond the double range gives the largest
    // finite double of its sign, so that nothing downstream meets an infinity,
    // and one too small for a double gives zero.
    double toDouble() const;
};

// Accepts optional blanks around an optional sign and digits with at most one
// decimal separator, '.' or ',' (a spin edit shows the locale's separator),
// and at least one digit: "2", "-0.35", "+.5", "1.", "0,6". No exponent, no
// thousands separators: anything else is not a number.
std::optional<DecimalText> ParseDecimalText(std::string_view text);

// A spin edit's value is read from its text every time; a text that is not a
// number reads as the field's minimum.
double SpinEditValue(std::string_view text, double minimum);

}  // namespace grimora
