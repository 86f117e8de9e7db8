// SPDX-License-Identifier: GPL-3.0-or-later
// The field as maps that other tools apply as they are:
// - the absolute pixel map, a 3-channel 32-bit float TIFF, rows top-down:
//   source column, source row counted from the top, 0 (OpenCV's remap with
//   INTER_NEAREST on the source gives the result picture);
// - the STMap, an OpenEXR file of 32-bit floats: R = (source column + 0.5) /
//   width, G = (source memory row + 0.5) / height with row 0 at the bottom,
//   B = 0, as compositing programs read a warp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "warp/displacement_field.h"

namespace grimora {

enum class MapKind { PixelMapTiff, StMapExr };

// The kind a file name asks for by its extension (.tif, .tiff, .exr, in any
// case); false for any other.
bool MapKindOf(const std::string& path, MapKind& kind);

// The file's bytes. False with `error` when they cannot be made.
bool EncodePixelMap(const DisplacementField& field, std::vector<uint8_t>& out, std::string& error);
bool EncodeStMap(const DisplacementField& field, std::vector<uint8_t>& out, std::string& error);

// Writes the map the extension of `path` names, replacing an existing file
// only once the new one is complete. `error` names the file.
bool ExportMap(const DisplacementField& field, const std::string& path, std::string& error);

}  // namespace grimora
