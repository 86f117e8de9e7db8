// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/picture_limits.h"

namespace grimora {

bool IsPictureSize(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

std::string PixelSizeText(int64_t width, int64_t height) {
    return std::to_string(width) + " × " + std::to_string(height);
}

bool CheckPictureSize(int64_t width, int64_t height, std::string& error) {
    if (width < 1 || height < 1) {
        error = "The picture size is invalid: " + PixelSizeText(width, height) + " pixels.";
        return false;
    }
    if (!IsPictureSize(width, height)) {
        error = "The picture is too large: " + PixelSizeText(width, height) + " pixels.";
        return false;
    }
    return true;
}

}  // namespace grimora
