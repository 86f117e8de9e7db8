// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "picture/host.h"
#include "picture/owned_dib.h"
#include "warp/displacement_field.h"

namespace grimora {

inline constexpr const char* kNot24BitsMessage = "The Bitmaps must have 16,7 mill. Colours!";

// Replaces `result` by a new 24-bit picture of the source's size in which every
// pixel is the source pixel its field entry names (nearest pixel, no blending).
// A source not at 24 bits gives kNot24BitsMessage and leaves the new result
// black. The field must have the source's size.
void renderdi(const Dib& source, const DisplacementField& field, OwnedDib& result,
              MessageSink& messages);

}  // namespace grimora
