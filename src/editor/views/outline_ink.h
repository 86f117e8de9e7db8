// SPDX-License-Identifier: GPL-3.0-or-later
// The pixels of the brush outline: the ellipse inscribed in a rectangle, as
// runs of pixels that each appear once, so that inverting them twice gives
// back exactly what was there.
#pragma once

#include <cstdint>
#include <vector>

#include "editor/stroke_controller.h"

namespace grimora {

// Pixels x0 .. x1 - 1 of row y.
struct PixelRun {
    int32_t y = 0;
    int32_t x0 = 0;
    int32_t x1 = 0;
    friend bool operator==(const PixelRun&, const PixelRun&) = default;
};

// Columns left .. right - 1 and rows top .. bottom - 1.
struct PixelArea {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// The one-pixel outline of the ellipse inscribed in `rect` (right and bottom
// edges excluded, as the device draws it): the pixels of the filled ellipse
// that have a 4-neighbour outside it. Only rows and columns inside `clip` are
// returned, so that a huge typed radius costs no more than the visible part.
// A rectangle given the wrong way round is turned round first.
std::vector<PixelRun> OutlineRuns(const OutlineRect& rect, const PixelArea& clip);

}  // namespace grimora
