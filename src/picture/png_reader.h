// SPDX-License-Identifier: GPL-3.0-or-later
// Reader of PNG files through libpng.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "picture/owned_dib.h"
#include "picture/reader_support.h"

namespace grimora {

// Sniff: the eight-byte PNG signature.
bool IsPngFile(std::span<const uint8_t> file);

// Header: the picture's size from the IHDR chunk.
bool MeasurePng(std::span<const uint8_t> file, PictureSize& size);

// Palette pictures keep 1, 4 or 8 bits (2 bits become 4), their transparency
// composed over white in the palette; grey pictures become 8 bits with a grey
// palette and colour pictures 24 bits, with any alpha composed over white and
// 16-bit samples rounded to 8. Interlaced files are read whole.
bool ReadPng(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
             LoadProgress& progress);

}  // namespace grimora
