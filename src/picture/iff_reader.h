// SPDX-License-Identifier: GPL-3.0-or-later
// Reader of IFF picture files (.IFF, .LBM): FORM ILBM with bit planes and
// FORM PBM with one byte a pixel, uncompressed or ByteRun1; colour maps,
// mask planes, extra-half-brite, hold-and-modify (HAM6, HAM8) and deep
// 24- and 32-plane pictures.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "picture/dib.h"
#include "picture/owned_dib.h"
#include "picture/reader_support.h"

namespace grimora {

enum class IffMode { kPalette, kHalfBrite, kHam, kDeep };

// What the chunks of an IFF picture say, checked against the file's length
// and the library's size limits.
struct IffHeader {
    bool chunky = false;  // PBM: one byte a pixel; ILBM: bit planes
    int32_t width = 0;
    int32_t height = 0;
    int planes = 0;          // bit planes, mask not counted
    bool maskPlane = false;  // a mask plane follows each row's planes
    bool byteRun1 = false;
    IffMode mode = IffMode::kPalette;
    int deliveredBits = 0;  // 1, 4, 8 or 24
    // Palette pictures: the palette (half-brite entries made already) and the
    // number of entries a pixel may use; in half-brite pictures 32 more than
    // the colour map's, of which index i from 32 on is usable when i - 32 is.
    // HAM: the base colours.
    int colourCount = 0;
    std::array<RgbQuad, kMaxColours> colours = {};
    std::size_t bodyOffset = 0;
    std::size_t bodySize = 0;
};

// Sniff: "FORM", a length, then "ILBM" or "PBM ".
bool IsIffFile(std::span<const uint8_t> file);

// Header: walks the chunks and reads BMHD, CMAP and CAMG, finds BODY and
// checks that it is long enough for the picture. False with a message.
bool ReadIffHeader(std::span<const uint8_t> file, IffHeader& header, std::string& error);

// Pixels: palette pictures at 1, 4 or 8 bits; HAM and deep pictures at 24
// bits (a fourth channel of 32 planes composed over white). `picture`
// changes only on success.
bool ReadIffPixels(std::span<const uint8_t> file, const IffHeader& header, OwnedDib& picture,
                   std::string& error, LoadProgress& progress);

// The picture's size, from the header alone.
bool MeasureIff(std::span<const uint8_t> file, PictureSize& size);

bool ReadIff(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
             LoadProgress& progress);

}  // namespace grimora
