// SPDX-License-Identifier: GPL-3.0-or-later
// The smooth rendering: each result pixel samples the source between pixels,
// at its own position plus the mean offset of the entries about it, so that a
// magnifying brush gives soft edges instead of doubled pixels.
#pragma once

#include <cstdint>

#include "picture/dib.h"
#include "picture/host.h"
#include "picture/owned_dib.h"
#include "warp/displacement_field.h"
#include "warp/effect.h"

namespace grimora {

// The window is the 5 x 5 entries about a pixel, its positions held to the
// field (edge entries repeat); a changed entry therefore reaches result
// pixels up to kSmoothReach columns and rows away.
inline constexpr int32_t kSmoothReach = 2;
inline constexpr int32_t kSmoothWindowEntries = 25;

// A source position in 25ths of a pixel: the mean of 25 whole offsets is
// exact in these units.
struct SmoothPosition {
    int32_t x = 0;
    int32_t y = 0;
};

// The sums of the offsets (source column - column, source row - row) of the
// window about (c, r): 25 times its mean offset. Result pixel (c, r) samples
// the source at 25 * (c, r) plus this sum, held inside the picture; an
// identity window gives the source pixel itself.
SmoothPosition SmoothOffsetSum(const DisplacementField& field, int32_t c, int32_t r);

// The source's colour at a position in 25ths (inside the picture), blended
// from the four pixels about it (each axis's weight k / 25 rounded to 64ths)
// and rounded; a whole position gives its pixel's bytes unchanged. Writes
// blue, green, red.
void SampleSmooth(const Dib& source, SmoothPosition at, uint8_t* out);

// Replaces `result` by a new 24-bit picture of the source's size whose pixel
// (c, r) is SampleSmooth at its position. Messages and failures as
// renderdi: a source not at 24 bits gives kNot24BitsMessage and a black
// result.
void renderSmooth(const Dib& source, const DisplacementField& field, OwnedDib& result,
                  MessageSink& messages);

// Rebuilds only the pixels of `rect` (clipped to the picture) as renderSmooth
// makes them, in the result as it stands. False, with nothing written, in the
// cases renderdiRect refuses.
bool renderSmoothRect(const Dib& source, const DisplacementField& field, OwnedDib& result,
                      const DabRect& rect);

// The result pixels that a change of the entries in `changed` can alter:
// the rectangle grown by kSmoothReach and clipped to width x height.
DabRect SmoothReach(const DabRect& changed, int32_t width, int32_t height);

}  // namespace grimora
