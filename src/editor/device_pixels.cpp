// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/device_pixels.h"

#include <cmath>

namespace grimora {

namespace {

// Products and quotients by ratios like 1.5 land a rounding error away from
// the whole number they stand for; this much is ignored.
constexpr double kHair = 1e-6;

int64_t Floor(double value) {
    return static_cast<int64_t>(std::floor(value + kHair));
}

int64_t Ceil(double value) {
    return static_cast<int64_t>(std::ceil(value - kHair));
}

}  // namespace

int64_t DevicePixelAt(double logical, double ratio) {
    return Floor(logical * ratio);
}

int64_t LogicalCover(int64_t device, double ratio) {
    return Ceil(static_cast<double>(device) / ratio);
}

PixelSpan DeviceSpan(int64_t logicalBegin, int64_t logicalEnd, double ratio) {
    return {Floor(static_cast<double>(logicalBegin) * ratio),
            Ceil(static_cast<double>(logicalEnd) * ratio)};
}

PixelSpan LogicalSpan(int64_t deviceBegin, int64_t deviceEnd, double ratio) {
    return {Floor(static_cast<double>(deviceBegin) / ratio),
            Ceil(static_cast<double>(deviceEnd) / ratio)};
}

}  // namespace grimora
