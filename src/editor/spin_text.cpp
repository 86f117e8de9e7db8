// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/spin_text.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace grimora {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

double DecimalText::toDouble() const {
    if (isZero()) {
        return negative ? -0.0 : 0.0;
    }
    std::string text = negative ? "-" : "";
    text += integerDigits.empty() ? "0" : integerDigits;
    if (!fractionDigits.empty()) {
        text += '.';
        text += fractionDigits;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // The digits are not all zero: a value below 1 is too small for a
        // double (more than 323 zeros after the point) and reads as zero;
        // any other is too large.
        if (integerDigits.empty()) {
            return negative ? -0.0 : 0.0;
        }
        const double largest = std::numeric_limits<double>::max();
        return negative ? -largest : largest;
    }
    return value;
}

std::optional<DecimalText> ParseDecimalText(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    text = text.substr(begin, end - begin);

    DecimalText number;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        number.negative = text[i] == '-';
        ++i;
    }
    std::string integer;
    std::string fraction;
    bool separatorSeen = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (isDigit(c)) {
            (separatorSeen ? fraction : integer) += c;
        } else if ((c == '.' || c == ',') && !separatorSeen) {
            separatorSeen = true;
        } else {
            return std::nullopt;
        }
    }
    if (integer.empty() && fraction.empty()) {
        return std::nullopt;
    }
    const std::size_t firstSignificant = integer.find_first_not_of('0');
    number.integerDigits =
        firstSignificant == std::string::npos ? std::string() : integer.substr(firstSignificant);
    const std::size_t lastSignificant = fraction.find_last_not_of('0');
    number.fractionDigits = lastSignificant == std::string::npos
                                ? std::string()
                                : fraction.substr(0, lastSignificant + 1);
    return number;
}

double SpinEditValue(std::string_view text, double minimum) {
    const std::optional<DecimalText> number = ParseDecimalText(text);
    return number ? number->toDouble() : minimum;
}

}  // namespace grimora
