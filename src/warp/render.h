// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "picture/host.h"
#include "picture/owned_dib.h"
#include "warp/displacement_field.h"
#include "warp/effect.h"

namespace grimora {

inline constexpr const char* kNot24BitsMessage = "The Bitmaps must have 16,7 mill. Colours!";

// Replaces `result` by a new 24-bit picture of the source's size in which every
// pixel is the source pixel its field entry names (nearest pixel, no blending).
// A source not at 24 bits gives kNot24BitsMessage and leaves the new result
// black. The field must have the source's size.
void renderdi(const Dib& source, const DisplacementField& field, OwnedDib& result,
              MessageSink& messages);

// renderdi through the identity field, without reading a field: the new
// result is the source's pixel bytes row by row (padding as newdib made it),
// the same picture renderdi makes after InitMask.
void renderdiIdentity(const Dib& source, OwnedDib& result, MessageSink& messages);
// The same rows into `result`, a 24-bit picture of the source's size already
// made (its padding stays as it is); the source must be at 24 bits.
void renderIdentityInto(const Dib& source, const Dib& result);

// Rebuilds only the pixels of `rect` (clipped to the picture) in the result
// as it stands, as renderdi would make them there; allocates nothing. After a
// dab, its DabBounds is every pixel that can differ. False, with nothing
// written, when the result cannot be updated in place: no result picture, one
// of another size or depth, a source not at 24 bits or a field of another
// size; the caller then renders the whole picture (and shows its message).
bool renderdiRect(const Dib& source, const DisplacementField& field, OwnedDib& result,
                  const DabRect& rect);

// Whether a part of `result` can be rebuilt in place: a 24-bit source with
// pixels, a result picture of its size and depth, and a field of its size.
bool CanRenderInPlace(const Dib& source, const DisplacementField& field, const OwnedDib& result);

// `rect` clipped to width x height; empty when nothing of it is left.
DabRect ClipRect(const DabRect& rect, int32_t width, int32_t height);

}  // namespace grimora
