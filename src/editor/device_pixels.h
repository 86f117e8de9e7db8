// SPDX-License-Identifier: GPL-3.0-or-later
// Logical pixels, in which Qt lays out widgets and reports the mouse, against
// the screen's device pixels: `ratio` device pixels to a logical one (1,
// 1.25, 1.5, 2). The editing and result views work in device pixels, so
// that zoom 1.0 shows one picture pixel on each, as photo editors do.
#pragma once

#include <cstdint>

namespace grimora {

// A run of pixels, first to end (excluded).
struct PixelSpan {
    int64_t begin = 0;
    int64_t end = 0;
    friend bool operator==(const PixelSpan&, const PixelSpan&) = default;
};

// The device pixel under a logical position: the one whose span holds it.
// A position that Qt worked out from a device pixel (that pixel divided by
// the ratio, in floating point) gives that pixel back exactly.
int64_t DevicePixelAt(double logical, double ratio);

// Logical pixels needed to show `device` device pixels.
int64_t LogicalCover(int64_t device, double ratio);

// The device pixels that the logical pixels [begin, end) lie on, wholly or
// in part; and the logical pixels that hold the device pixels [begin, end).
PixelSpan DeviceSpan(int64_t logicalBegin, int64_t logicalEnd, double ratio);
PixelSpan LogicalSpan(int64_t deviceBegin, int64_t deviceEnd, double ratio);

}  // namespace grimora
