// SPDX-License-Identifier: GPL-3.0-or-later
// Saving of pictures to files.
#pragma once

#include <string>

#include "picture/dib.h"

namespace grimora {

// Writes the picture to `path` in the format that the path's extension names
// (case-insensitive; only ".bmp" for now: 24 bits, bottom-up, 40-byte header).
// Palette pictures are written at 24 bits with their indices resolved through
// logPalette; 32-bit pictures lose their fourth byte; 16-bit ones are refused.
// The file is replaced atomically: it is either the old file or the complete
// new one. False with `error` saying what failed, naming the file.
bool SavePicture(const Dib& dib, const std::string& path, std::string& error);

}  // namespace grimora
