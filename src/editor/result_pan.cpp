// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/result_pan.h"

#include <algorithm>
#include <limits>

namespace grimora {

namespace {

int32_t clampedPosition(const ScrollAxis& axis, int32_t start, int32_t mouse) {
    // 64 bits: a far drag with a captured mouse must not wrap around.
    int64_t p = int64_t{axis.position} + (int64_t{start} - mouse);
    if (p < 0) {
        p = 0;
    }
    if (p > int64_t{axis.range} - 1) {
        p = int64_t{axis.range} - 1;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(p, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

}  // namespace

void ResultPan::press(int32_t x, int32_t y) {
    panning_ = true;
    startX_ = x;
    startY_ = y;
}

std::optional<ScrollPositions> ResultPan::drag(int32_t x, int32_t y, ScrollAxis horizontal,
                                               ScrollAxis vertical) const {
    if (!panning_) {
        return std::nullopt;
    }
    return ScrollPositions{clampedPosition(horizontal, startX_, x),
                           clampedPosition(vertical, startY_, y)};
}

}  // namespace grimora
