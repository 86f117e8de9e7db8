// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "warp/effect.h"

namespace grimora {

// The plain form of a dab: the whole field copied, every row walked, one entry
// after another. DoEffekt must give exactly its field; faster forms of
// DoEffekt are checked against this one.
void DoEffektReference(DisplacementField& field, const EffectParams& params);
// The same with the field's freeze mask, as DoEffekt takes it.
void DoEffektReference(DisplacementField& field, FreezeMask* mask, const EffectParams& params);

}  // namespace grimora
