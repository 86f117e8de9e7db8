// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "warp/displacement_field.h"
#include "warp/freeze_mask.h"

namespace grimora {

// The brushes, numbered as the tool bar's buttons are: five that bend the
// field, and two that paint the freeze mask.
enum class EffectMode : int32_t {
    Grow = 0,
    Shrink = 1,
    Rubber = 2,
    Smear = 3,
    Lug = 4,
    Freeze = 5,
    Thaw = 6,
};

// Freeze and Thaw change the mask and never the field; the others the
// field and never the mask.
bool PaintsMask(EffectMode mode);

// Everything one dab depends on. The engine keeps no state between dabs apart
// from the field, so a recorded list of these replays a stroke exactly.
struct EffectParams {
    int32_t centreX = 0;  // brush centre: picture column
    int32_t centreY = 0;  // brush centre: memory row (0 = bottom row)
    int32_t mouseX = 0;   // current mouse position, view pixels, y downwards
    int32_t mouseY = 0;
    int32_t prevMouseX = 0;  // mouse position of the previous painting step
    int32_t prevMouseY = 0;
    EffectMode mode = EffectMode::Grow;
    bool xSwitch = true;
    bool ySwitch = true;
    double strength = 0.4;
    int32_t radius = 50;
    bool normalize = true;
};

// A rectangle of a picture or field: columns x to x + width - 1, memory rows
// y to y + height - 1 (y = 0 is the bottom row).
struct DabRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
    friend bool operator==(const DabRect&, const DabRect&) = default;
};

// The smallest rectangle holding both; an empty one adds nothing.
DabRect Bounding(const DabRect& a, const DabRect& b);

// The entries a dab with these parameters may change on a field of this size:
// the square of side 2R + 1 about the centre, clipped to the field; empty when
// the centre lies outside or the radius is 0 or less. A result pixel depends
// on its own entry only, so this is also every pixel the dab can change.
DabRect DabBounds(const EffectParams& params, int32_t width, int32_t height);

// Heron's iteration from the start value n, as the brushes measure distance;
// gives m instead of m - 1 for some n = m * m - 1. n >= 1. The step
// that ends the loop compares the two last values as an unsigned 32-bit
// difference, as the brushes always have.
int64_t HeronSqrt(uint64_t n);

// How many threads a dab may use: Auto shares only squares large enough to
// pay for it. The outcome is the same for all three.
enum class DabThreads { Auto, One, Two };

// One dab of the brush on the field: a pure function of the field and the
// parameters, which calls nobody. Returns the entries it may have changed,
// DabBounds: every entry outside is as it was. Its cost follows the brush:
// only that square is read back and written, and large squares are shared
// with a second thread. The field is DoEffektReference's, entry for entry.
DabRect DoEffekt(DisplacementField& field, const EffectParams& params,
                 DabThreads threads = DabThreads::Auto);
// The same with the field's freeze mask (the field's size): a warp brush
// moves each component of an entry only (255 - m) / 255 of the way
// (MaskedComponent), and Freeze and Thaw set the mask inside the disc to
// 255 and 0. Without a mask Freeze and Thaw change nothing, and the warp
// brushes move entries as under a mask of zeros.
DabRect DoEffekt(DisplacementField& field, FreezeMask* mask, const EffectParams& params,
                 DabThreads threads = DabThreads::Auto);

// The progress a dab on a picture of this size shows, value by value, as a
// walk over its rows would report it: one value for every row of its square,
// bottom row first, then 0; only 0 when the radius is 0 or less; nothing at
// all when the centre lies outside the picture.
template <typename Report>
void ForEachDabProgress(const EffectParams& params, int32_t width, int32_t height,
                        Report&& report) {
    const int32_t X = params.centreX;
    const int32_t Y = params.centreY;
    if (X < 0 || Y < 0 || X > width - 1 || Y > height - 1) {
        return;
    }
    const int64_t R = params.radius;
    const DabRect square = DabBounds(params, width, height);
    for (int32_t i = square.y; i < square.y + square.height; ++i) {
        report(static_cast<int32_t>((int64_t{i} - Y + R) * 100 / (2 * R)));
    }
    report(int32_t{0});
}

}  // namespace grimora
