// SPDX-License-Identifier: GPL-3.0-or-later
// The size policy, in one place: the largest picture the library makes, loads
// or saves, and the largest file it reads. A hostile file header must not
// make the program ask for gigabytes: the field alone costs 8 bytes a pixel.
#pragma once

#include <cstdint>
#include <string>

namespace grimora {

inline constexpr int32_t kMaxPictureSide = 65535;
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 27;  // 134 megapixels
// The largest picture, 32 bits a pixel uncompressed, takes half of this.
inline constexpr int64_t kMaxPictureFileBytes = int64_t{1} << 30;

// Whether a picture of width x height may be made: at least one pixel, at
// most kMaxPictureSide on a side and kMaxPicturePixels in all.
bool IsPictureSize(int64_t width, int64_t height);
// "W × H".
std::string PixelSizeText(int64_t width, int64_t height);
// IsPictureSize with a message that says which way the size fails; a reader
// calls it on the header's size before taking any memory.
bool CheckPictureSize(int64_t width, int64_t height, std::string& error);

}  // namespace grimora
