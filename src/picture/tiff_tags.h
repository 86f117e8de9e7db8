// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

namespace grimora {

// libtiff copies the data of every tag it reads, known or not, however many
// tags point at the same bytes: a small file of thousands of tags could make
// it hold thousands of times its own size. True when the data that the tags
// of the first `directories` directories keep outside their entries, counted
// as far as it lies inside `file`, adds up to no more than `file` holds, as
// in any file whose blocks do not overlap. Anything that is not a TIFF
// header passes: libtiff refuses it itself.
bool TiffTagDataFits(std::span<const uint8_t> file, int directories);

}  // namespace grimora
