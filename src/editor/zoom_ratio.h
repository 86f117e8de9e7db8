// SPDX-License-Identifier: GPL-3.0-or-later
// The scale of the editing view: a picture length L shows as
// L * numerator div denominator view pixels.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "editor/spin_text.h"

namespace grimora {

// Both parts are positive; after any change of the zoom field one of them is 10.
struct ZoomRatio {
    int32_t numerator = 1;
    int32_t denominator = 1;
    friend bool operator==(const ZoomRatio&, const ZoomRatio&) = default;
};

inline constexpr double kZoomFieldMinimum = 0.1;
inline constexpr const char* kDivisionByZeroMessage = "Floating point division by zero";

enum class ZoomOutcome {
    Changed,         // `ratio` holds the new ratio
    DivisionByZero,  // zoom 0 has no reciprocal; the ratio stays
    Negative,        // the spin edit will correct it; the ratio stays
    TooLarge,        // a part would not fit in 32 bits; the ratio stays
};

struct ZoomChange {
    ZoomOutcome outcome = ZoomOutcome::Changed;
    ZoomRatio ratio;
};

// The zoom field's formulas, worked exactly on the decimal value:
// v < 1 gives 10 : trunc(10 / v), otherwise trunc(10 * v) : 10.
// Done in binary floating point, 0.7 would give 10 : 14 only by luck of
// rounding and 2.3 would give 22 : 10; exact arithmetic holds for every step.
ZoomChange ZoomRatioForValue(const DecimalText& value);
// The field's text; one that is not a number reads as the field's minimum 0.1.
ZoomChange ZoomRatioFromText(std::string_view text);

// The zoom field's text for the largest of its zooms, 0.1 to 10, at which a
// width x height picture shows whole in areaWidth x areaHeight view pixels:
// n : 10 (a text of one decimal) from 1.0 on, 10 : d below, as the shortest
// decimal whose formula gives that d. "0.1" when even that is too large.
std::string FitZoomText(int32_t width, int32_t height, int64_t areaWidth, int64_t areaHeight);

// View pixels for a picture length: L * numerator div denominator. 64 bits,
// since a large picture at a large zoom overflows 32.
int64_t ViewLength(int32_t pictureLength, ZoomRatio zoom);
// Picture pixels for a view length: V * denominator div numerator, truncated
// toward zero, so that view positions less than one picture pixel left of or
// above the view still land on column 0 or the top row.
int64_t PictureLength(int32_t viewLength, ZoomRatio zoom);

}  // namespace grimora
