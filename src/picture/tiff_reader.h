// SPDX-License-Identifier: GPL-3.0-or-later
// Reader of TIFF files through libtiff: the first picture of the file.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "picture/owned_dib.h"
#include "picture/reader_support.h"

namespace grimora {

// Sniff: "II*\0" or "MM\0*", or the BigTIFF forms with 43.
bool IsTiffFile(std::span<const uint8_t> file);

// Header: the size of the first picture.
bool MeasureTiff(std::span<const uint8_t> file, PictureSize& size);

// Palette pictures in strips keep 1, 4 or 8 bits (2 bits become 4); grey
// pictures become 8 bits with a grey palette; all else (colour, tiled
// palette pictures, 16-bit samples, CMYK, YCbCr) 24 bits through libtiff's
// RGBA conversion, with alpha composed over white. Each strip or tile is
// decoded once, down to the picture's last row. Refused with libtiff's
// reason: a strip or tile that does not decode whole, byte counts that
// libtiff finds wrong and guesses, and, before decoding, a layout that would
// take far more decoding than a plain file of the picture's size.
bool ReadTiff(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
              LoadProgress& progress);

}  // namespace grimora
