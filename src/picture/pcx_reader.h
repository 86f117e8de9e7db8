// SPDX-License-Identifier: GPL-3.0-or-later
// Reader of ZSoft PCX files (.PCX): 1, 2 and 4 bits packed or in up to four
// planes of 1 bit, 8 bits with the 256-colour palette at the end, and 24 or
// 32 bits as three or four planes of 8 bits.
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

// What the header and the palette of a PCX file say, checked against the
// file's length and the library's size limits.
struct PcxHeader {
    int32_t width = 0;
    int32_t height = 0;
    int bitsPerPlane = 0;  // 1, 2, 4 or 8
    int planes = 0;        // 1 to 4
    int bytesPerLine = 0;  // of one plane of a row, as stored
    bool rle = true;
    int deliveredBits = 0;  // 1, 4, 8 or 24
    std::array<RgbQuad, kMaxColours> colours = {};
};

// Sniff: the manufacturer byte 10, a known version and encoding.
bool IsPcxFile(std::span<const uint8_t> file);

// Header: reads and checks the header and finds the palette. False with a
// message on a fault, and for a file too short for the picture it claims.
bool ReadPcxHeader(std::span<const uint8_t> file, PcxHeader& header, std::string& error);

// Pixels: palette pictures keep their colours at 1, 4 or 8 bits (2 bits and
// planar pictures become 4 bits); three and four planes of 8 bits become 24
// bits, the fourth (alpha) composed over white. `picture` changes only on
// success.
bool ReadPcxPixels(std::span<const uint8_t> file, const PcxHeader& header, OwnedDib& picture,
                   std::string& error, LoadProgress& progress);

// The picture's size, from the header alone.
bool MeasurePcx(std::span<const uint8_t> file, PictureSize& size);

bool ReadPcx(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
             LoadProgress& progress);

}  // namespace grimora
