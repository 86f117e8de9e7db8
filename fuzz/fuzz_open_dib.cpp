// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the picture loader: it must refuse or load them
// without reading outside the input, and a loaded picture must be whole.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "picture/open_dib.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace grimora;
    PictureSize claimed;
    if (MeasurePicture(std::span<const uint8_t>(data, size), claimed) &&
        claimed.width * claimed.height > kFuzzedPixels) {
        return 0;
    }

    int last = -1;
    Dib dib;
    OpenDibFromMemory(dib, data, size, [&](int percent) {
        if (percent <= last || percent > 100) {
            __builtin_trap();
        }
        last = percent;
    });
    const OwnedDib picture(dib);
    if (dib.bits == nullptr) {
        if (dib.errorText[0] == '\0' || dib.allocation != nullptr) {
            __builtin_trap();
        }
        return 0;
    }
    if (last != 100) {
        __builtin_trap();
    }
    // Touch every byte of the picture so that a short allocation shows.
    const BitmapInfoHeader& h = dib.info->bmiHeader;
    volatile uint8_t sum = 0;
    for (uint32_t i = 0; i < h.biSizeImage; ++i) {
        sum = sum + dib.bits[i];
    }
    return 0;
}
