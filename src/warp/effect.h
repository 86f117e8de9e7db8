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

// One dab of the brush on the field.
void DoEffekt(DisplacementField& field, const EffectParams& params, EffectHost& host);

// Heron's iteration from the start value n, as the brushes measure distance;
// gives m instead of m - 1 for some n = m * m - 1. n >= 1. The step
// that ends the loop compares the two last values as an unsigned 32-bit
// difference, as the brushes always have.
int64_t HeronSqrt(uint64_t n);

}  // namespace grimora
