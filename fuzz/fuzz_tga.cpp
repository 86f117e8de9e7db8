// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the Tga reader alone: it must refuse them with a
// message or make a whole picture, without reading outside the input.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "picture/open_dib.h"
#include "picture/owned_dib.h"
#include "picture/tga_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace grimora;
    const std::span<const uint8_t> file(data, size);
    // Large pictures that the header allows are legitimate but slow to fill.
    PictureSize claimed;
    if (MeasureTga(file, claimed) && claimed.width * claimed.height > (int64_t{1} << 20)) {
        return 0;
    }
    int last = -1;
    const ProgressCallback callback = [&](int percent) {
        if (percent <= last || percent > 100) {
            __builtin_trap();
        }
        last = percent;
    };
    LoadProgress progress(callback);
    OwnedDib picture;
    std::string error;
    const bool sniffed = IsTgaFile(file);
    if (!ReadTga(file, picture, error, progress)) {
        if (error.empty() || picture.holdsPicture()) {
            __builtin_trap();
        }
        return 0;
    }
    if (!sniffed || picture->bits == nullptr || error != "") {
        __builtin_trap();
    }
    // Touch every byte of the picture so that a short allocation shows.
    const BitmapInfoHeader& h = picture->info->bmiHeader;
    volatile uint8_t sum = 0;
    for (uint32_t i = 0; i < h.biSizeImage; ++i) {
        sum = sum + picture->bits[i];
    }
    return 0;
}
