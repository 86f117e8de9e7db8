// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/zoom_ratio.h"

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

namespace grimora {

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

// Whether k * f <= 10^exponent, where f is a decimal digit string without
// leading zeros. Exact for digit strings of any length.
bool productAtMostPowerOfTen(const std::string& f, uint64_t k, std::size_t exponent) {
    // Digits of k * f, least significant first.
    std::vector<uint8_t> product;
    product.reserve(f.size() + 11);
    uint64_t carry = 0;
    for (auto it = f.rbegin(); it != f.rend(); ++it) {
        const uint64_t digitProduct = static_cast<uint64_t>(*it - '0') * k + carry;
        product.push_back(static_cast<uint8_t>(digitProduct % 10));
        carry = digitProduct / 10;
    }
    while (carry != 0) {
        product.push_back(static_cast<uint8_t>(carry % 10));
        carry /= 10;
    }
    while (!product.empty() && product.back() == 0) {
        product.pop_back();
    }
    // 10^exponent has exponent + 1 digits: a 1 and then zeros.
    if (product.size() != exponent + 1) {
        return product.size() < exponent + 1;
    }
    for (std::size_t i = 0; i + 1 < product.size(); ++i) {
        if (product[i] != 0) {
            return false;
        }
    }
    return product.back() <= 1;
}

}  // namespace

ZoomChange ZoomRatioForValue(const DecimalText& value) {
    if (value.isZero()) {
        return {ZoomOutcome::DivisionByZero, {}};
    }
    if (value.negative) {
        return {ZoomOutcome::Negative, {}};
    }
    if (value.integerDigits.empty()) {
        // 0 < v < 1, v = f / 10^n with n fraction digits: 10 / v = 10^(n+1) / f.
        // The largest k with k * f <= 10^(n+1), by bisection over 32 bits.
        const std::string& digits = value.fractionDigits;
        const std::size_t exponent = digits.size() + 1;
        const std::string f = digits.substr(digits.find_first_not_of('0'));
        if (productAtMostPowerOfTen(f, static_cast<uint64_t>(kInt32Max) + 1, exponent)) {
            return {ZoomOutcome::TooLarge, {}};
        }
        uint64_t low = 0;                                      // k * f <= 10^(n+1) holds here
        uint64_t high = static_cast<uint64_t>(kInt32Max) + 1;  // and fails here
        while (high - low > 1) {
            const uint64_t middle = low + (high - low) / 2;
            (productAtMostPowerOfTen(f, middle, exponent) ? low : high) = middle;
        }
        return {ZoomOutcome::Changed, {10, static_cast<int32_t>(low)}};
    }
    // v >= 1: trunc(10 * v) is the integer digits followed by the first
    // fraction digit.
    std::string tenfold = value.integerDigits;
    tenfold += value.fractionDigits.empty() ? '0' : value.fractionDigits.front();
    if (tenfold.size() > 10) {
        return {ZoomOutcome::TooLarge, {}};
    }
    int64_t numerator = 0;
    for (const char c : tenfold) {
        numerator = numerator * 10 + (c - '0');
    }
    if (numerator > kInt32Max) {
        return {ZoomOutcome::TooLarge, {}};
    }
    return {ZoomOutcome::Changed, {static_cast<int32_t>(numerator), 10}};
}

ZoomChange ZoomRatioFromText(std::string_view text) {
    const std::optional<DecimalText> value = ParseDecimalText(text);
    if (value) {
        return ZoomRatioForValue(*value);
    }
    return ZoomRatioForValue(DecimalText{false, "", "1"});  // the field's minimum, 0.1
}

std::string FitZoomText(int32_t width, int32_t height, int64_t areaWidth, int64_t areaHeight) {
    const auto fits = [&](ZoomRatio zoom) {
        return ViewLength(width, zoom) <= areaWidth && ViewLength(height, zoom) <= areaHeight;
    };
    // From 1.0 up to 10 in tenths.
    for (int32_t n = 100; n >= 10; --n) {
        if (fits({n, 10})) {
            return std::to_string(n / 10) + "." + std::to_string(n % 10);
        }
    }
    // Below 1.0 the field's ratios are 10 : d, d from 11 (0.9) to 100 (0.1).
    int32_t d = 11;
    while (d < 100 && !fits({10, d})) {
        ++d;
    }
    // The shortest m / 10^k with trunc(10 / (m / 10^k)) = d, that is
    // d * m <= 10^(k + 1) < (d + 1) * m. The values that give d span
    // 10 / (d * (d + 1)), more than 10^-4 for every d here: k = 4 always
    // has one.
    int64_t power = 100;  // 10^(k + 1)
    for (int k = 1;; ++k, power *= 10) {
        const int64_t m = power / d;
        if (power < (d + 1) * m || k == 4) {
            std::string digits = std::to_string(m);
            digits.insert(0, static_cast<std::size_t>(k) - digits.size(), '0');
            return "0." + digits;
        }
    }
}

int64_t ViewLength(int32_t pictureLength, ZoomRatio zoom) {
    if (zoom.denominator == 0) {
        return 0;
    }
    return int64_t{pictureLength} * zoom.numerator / zoom.denominator;
}

int64_t PictureLength(int32_t viewLength, ZoomRatio zoom) {
    if (zoom.numerator == 0) {
        return 0;
    }
    return int64_t{viewLength} * zoom.denominator / zoom.numerator;
}

}  // namespace grimora
