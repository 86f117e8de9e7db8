// SPDX-License-Identifier: GPL-3.0-or-later
// The body of the fuzz targets for one reader alone: the reader must refuse
// arbitrary bytes with a message or make a whole picture, without reading
// outside the input, and its progress may only rise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "picture/open_dib.h"
#include "picture/owned_dib.h"

namespace grimora {

// Pictures up to this size are decoded. Even instrumented, a plain one of
// it decodes in a few tenths of a second, so that scripts/fuzz.sh's time
// limit per input finds a file whose structure costs far more than its
// picture; larger ones would only find the size.
inline constexpr int64_t kFuzzedPixels = int64_t{1} << 22;

using FuzzedSniff = bool (*)(std::span<const uint8_t>);
using FuzzedMeasure = bool (*)(std::span<const uint8_t>, PictureSize&);
using FuzzedRead = bool (*)(std::span<const uint8_t>, OwnedDib&, std::string&, LoadProgress&);

inline int FuzzOneReader(const uint8_t* data, size_t size, FuzzedSniff sniff, FuzzedMeasure measure,
                         FuzzedRead read) {
    const std::span<const uint8_t> file(data, size);
    PictureSize claimed;
    if (measure(file, claimed) && claimed.width * claimed.height > kFuzzedPixels) {
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
    const bool sniffed = sniff(file);
    if (!read(file, picture, error, progress)) {
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

}  // namespace grimora
