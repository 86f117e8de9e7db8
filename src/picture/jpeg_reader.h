// SPDX-License-Identifier: GPL-3.0-or-later
// Reader of JPEG and JFIF files through libjpeg-turbo.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "picture/owned_dib.h"
#include "picture/reader_support.h"

namespace grimora {

// Sniff: the start-of-image marker followed by another marker.
bool IsJpegFile(std::span<const uint8_t> file);

// Header: the picture's size from the frame header.
bool MeasureJpeg(std::span<const uint8_t> file, PictureSize& size);

// Grey pictures become 8 bits with a grey palette; colour (YCbCr, RGB, CMYK
// and YCCK) 24 bits. Progress is reported per scanline. A file whose data
// ends early or does not decode is refused with libjpeg's reason rather than
// shown with made-up blocks, and so is one whose scans would cost many times
// the decoding of its picture.
bool ReadJpeg(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
              LoadProgress& progress);

}  // namespace grimora
