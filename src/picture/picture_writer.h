// SPDX-License-Identifier: GPL-3.0-or-later
// Saving of pictures to files.
#pragma once

#include <string>

#include "picture/dib.h"
#include "picture/file_target.h"
#include "picture/pictrix.h"

namespace grimora {

inline constexpr int kDefaultJpegQuality = 90;

class FileWrite;

// The file types written, by the path's extension (case-insensitive): .bmp
// (24 bits, bottom-up, 40-byte header), .png (8-bit RGB), .jpg or .jpeg
// (baseline, at `jpegQuality`, 1 to 100) and .tif or .tiff (8-bit RGB,
// LZW). Palette pictures are written as true colour with their indices
// resolved through logPalette; 32-bit pictures lose their fourth byte;
// 16-bit ones are refused.

// Whether `path`'s extension names a type Grimora writes; false with the
// message SavePicture gives.
bool CheckPictureFileType(const std::string& path, std::string& error);

// Encodes the picture into `file`, opened for its path, in the type that
// the path names; the caller commits it. False with `error` naming the path.
// `progress`, if given, hears the rows encoded as percentages that only
// rise, on the calling thread.
bool WritePicture(const Dib& dib, FileWrite& file, std::string& error,
                  int jpegQuality = kDefaultJpegQuality, const ProgressCallback& progress = {});

// The picture to `path`, as FileWrite writes (file_target.h): a regular
// file is either the old one or the complete new one; a write-protected
// file is refused unless `protection` allows it. False with `error` saying
// what failed, naming the file and the system's reason. `progress` as for
// WritePicture.
bool SavePicture(const Dib& dib, const std::string& path, std::string& error,
                 int jpegQuality = kDefaultJpegQuality, const ProgressCallback& progress = {},
                 WriteProtection protection = WriteProtection::kRefuse);

}  // namespace grimora
