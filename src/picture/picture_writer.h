// SPDX-License-Identifier: GPL-3.0-or-later
// Saving of pictures to files.
#pragma once

#include <string>

#include "picture/dib.h"
#include "picture/pictrix.h"

namespace grimora {

inline constexpr int kDefaultJpegQuality = 90;

// Writes the picture to `path` in the format that the path's extension names
// (case-insensitive): .bmp (24 bits, bottom-up, 40-byte header), .png (8-bit
// RGB), .jpg or .jpeg (baseline, at `jpegQuality`, 1 to 100) and .tif or .tiff
// (8-bit RGB, LZW). Palette pictures are written as true colour with their
// indices resolved through logPalette; 32-bit pictures lose their fourth
// byte; 16-bit ones are refused. The file is replaced atomically: it is
// either the old file or the complete new one. False with `error` saying
// what failed, naming the file and the system's reason. `progress`, if
// given, hears the rows encoded as percentages that only rise, on the
// calling thread.
bool SavePicture(const Dib& dib, const std::string& path, std::string& error,
                 int jpegQuality = kDefaultJpegQuality, const ProgressCallback& progress = {});

}  // namespace grimora
