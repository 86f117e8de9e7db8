// SPDX-License-Identifier: GPL-3.0-or-later
// Reader of Truevision TGA files (.TGA): colour-mapped, true-colour and grey,
// uncompressed or run-length encoded, stored from the top or from the bottom.
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

enum class TgaKind { kColourMapped, kTrueColour, kGrey };

// What the header and the colour map of a TGA file say, checked against the
// file's length and the library's size limits.
struct TgaHeader {
    TgaKind kind = TgaKind::kTrueColour;
    bool rle = false;
    int32_t width = 0;
    int32_t height = 0;
    int pixelBits = 0;  // 8, 15, 16, 24 or 32
    int alphaBits = 0;  // attribute bits per pixel that the descriptor declares
    bool topDown = false;
    bool rightToLeft = false;
    // Colour-mapped files: the entries that pixel values first..first+count-1
    // select, alpha composed over white already.
    int mapFirst = 0;
    int mapCount = 0;
    std::array<RgbQuad, kMaxColours> colours = {};
    std::size_t pixelOffset = 0;  // first byte of the pixel data
};

// Sniff: TGA has no magic number, so this accepts only headers whose every
// field is one that a TGA file can hold. Formats with a magic number are
// tried first.
bool IsTgaFile(std::span<const uint8_t> file);

// Header: reads and checks the header and the colour map; also checks that
// the file is long enough to hold the pixels, so that a short file claiming a
// huge picture is refused before memory is taken. False with a message.
bool ReadTgaHeader(std::span<const uint8_t> file, TgaHeader& header, std::string& error);

// Pixels: colour-mapped files become 8-bit palette pictures, grey ones 8-bit
// grey pictures, true-colour ones 24 bits with alpha composed over white.
// `picture` is changed only on success.
bool ReadTgaPixels(std::span<const uint8_t> file, const TgaHeader& header, OwnedDib& picture,
                   std::string& error, LoadProgress& progress);

// The picture's size, from the header alone.
bool MeasureTga(std::span<const uint8_t> file, PictureSize& size);

bool ReadTga(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
             LoadProgress& progress);

}  // namespace grimora
