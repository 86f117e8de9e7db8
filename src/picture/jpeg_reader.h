// SPDX-License-Identifier: GPL-3.0-or-later
// Reader of JPEG and JFIF files through libjpeg-turbo.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "picture/open_dib.h"
#include "picture/owned_dib.h"

namespace grimora {

// Sniff: the start-of-image marker followed by another marker.
bool IsJpegFile(std::span<const uint8_t> file);

// Header: the picture's size from the frame header.
bool MeasureJpeg(std::span<const uint8_t> file, PictureSize& size);

// Grey pictures become 8 bits with a grey palette; colour (YCbCr, RGB, CMYK
// and YCCK) 24 bits. Progress is reported per scanline. A file that ends
// before its last scanline is refused rather than shown with a grey bottom.
bool ReadJpeg(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
              LoadProgress& progress);

}  // namespace grimora
