// SPDX-License-Identifier: GPL-3.0-or-later
// Conversion of a loaded picture to more bits per pixel.
#pragma once

#include <cstdint>
#include <functional>

#include "picture/owned_dib.h"
#include "picture/random_source.h"

namespace grimora {

// Converts `source` in place to `bits` bits per pixel where one of the pairs
// (target, source depth) 8 <- 4, 24 <- 1, 8 <- 1, 4 <- 1, 24 <- 4, 24 <- 8
// applies; any other pair, a 24-bit source, or a picture that cannot be made
// leaves it as it was. Palette indices resolve through logPalette; a 1-bit
// picture becomes pure black (index 0) and white (index 1) whatever its own
// colours. Palette entries that the source does not give are drawn from
// `random`, multiples of 4. The old picture stays valid until the new one
// replaces it.
//
// SetProStatus gets 0, then y * 100 / (H - 1) before each row y (100 for a
// picture one row high, whose one row is also its last), then 0.
void DepthUpTo(OwnedDib& source, int32_t bits, RandomSource& random,
               const std::function<void(int32_t)>& SetProStatus);

}  // namespace grimora
