// SPDX-License-Identifier: GPL-3.0-or-later
// Reader of Windows and OS/2 bitmap files (.BMP, .DIB, .RLE).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "picture/dib.h"
#include "picture/owned_dib.h"
#include "picture/reader_support.h"

namespace grimora {

enum class BmpCompression { kNone, kRle8, kRle4, kBitFields };

// What the headers and the colour table of a bitmap file say, checked against
// the file's length and the library's size limits.
struct BmpHeader {
    uint32_t headerSize = 0;  // 12 core, 16..64 OS/2 2.x, 40, 52, 56, 108, 124
    int32_t width = 0;
    int32_t height = 0;  // number of rows, always positive
    bool topDown = false;
    int bitCount = 0;
    BmpCompression compression = BmpCompression::kNone;
    // Red, green and blue masks for 16 and 32 bits; checked to be nonzero,
    // contiguous, disjoint and inside the pixel.
    std::array<uint32_t, 3> masks = {};
    // The colour table for 1, 4 and 8 bits; entries past colourCount are black.
    int colourCount = 0;
    std::array<RgbQuad, kMaxColours> colours = {};
    std::size_t pixelOffset = 0;  // first byte of the pixel data in the file
};

// Sniff: true when the file starts like a bitmap file ("BM", or an OS/2
// bitmap array "BA" whose first member is one).
bool IsBmpFile(std::span<const uint8_t> file);

// Header: reads and checks the headers and the colour table. For uncompressed
// data it also checks that the file holds all the rows, so that no picture is
// made for data that is not there. False with a message on a fault.
bool ReadBmpHeader(std::span<const uint8_t> file, BmpHeader& header, std::string& error);

// Pixels: makes the picture and decodes the rows into it. Palette depths keep
// their depth, 16 and 32 bits become 24. `picture` is changed only on success.
bool ReadBmpPixels(std::span<const uint8_t> file, const BmpHeader& header, OwnedDib& picture,
                   std::string& error, LoadProgress& progress);

// The three steps in a row.
bool ReadBmp(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
             LoadProgress& progress);

}  // namespace grimora
