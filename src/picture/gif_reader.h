// SPDX-License-Identifier: GPL-3.0-or-later
// Reader of GIF files through giflib: the first picture of the file.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "picture/owned_dib.h"
#include "picture/reader_support.h"

namespace grimora {

// Sniff: "GIF87a" or "GIF89a".
bool IsGifFile(std::span<const uint8_t> file);

// Header: the size of the picture that ReadGif would make, from the screen
// descriptor and the first image descriptor.
bool MeasureGif(std::span<const uint8_t> file, PictureSize& size);

// The first picture, at 1, 4 or 8 bits by the size of its colour table, on a
// canvas of the logical screen (grown to hold the picture if it is larger).
// The canvas outside the picture shows the background colour; a transparent
// colour, and the background of a picture with one, shows white.
bool ReadGif(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
             LoadProgress& progress);

}  // namespace grimora
