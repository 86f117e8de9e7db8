// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

#include "warp/displacement_field.h"

namespace grimora {

// The five brushes, numbered as the tool bar's buttons are.
enum class EffectMode : int32_t { Grow = 0, Shrink = 1, Rubber = 2, Smear = 3, Lug = 4 };

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

// What a dab reports while it works.
class EffectHost {
public:
    virtual ~EffectHost() = default;
    virtual void SetProStatus(int32_t percent) = 0;
    // Repaint of the editing view at the end of the dab.
    virtual void PaintBox1Paint() = 0;
};

// One dab of the brush on the field. Its cost follows the brush: only the
// square about the centre is read back and written, and large squares are
// shared with a second thread. Field and reports are those of
// DoEffektReference, entry for entry and value for value.
void DoEffekt(DisplacementField& field, const EffectParams& params, EffectHost& host);

// How many threads a dab may use: Auto shares only squares large enough to
// pay for it. The outcome is the same for all three.
enum class DabThreads { Auto, One, Two };
void DoEffekt(DisplacementField& field, const EffectParams& params, EffectHost& host,
              DabThreads threads);

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

}  // namespace grimora
