// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/dib_queries.h"

#include <utility>

namespace grimora {

namespace {

ScreenDepthHook& screenDepthHook() {
    static ScreenDepthHook hook;
    return hook;
}

const BitmapInfoHeader* header(const Dib& dib) {
    return dib.info == nullptr ? nullptr : &dib.info->bmiHeader;
}

}  // namespace

int32_t DibWidth(const Dib& dib) {
    const auto* h = header(dib);
    return h == nullptr ? 0 : h->biWidth;
}

int32_t DibHeight(const Dib& dib) {
    const auto* h = header(dib);
    return h == nullptr ? 0 : h->biHeight;
}

int32_t DibBitCount(const Dib& dib) {
    const auto* h = header(dib);
    return h == nullptr ? 0 : int32_t{h->biBitCount};
}

int32_t PowerOfTwo(int32_t n) {
    // Doubling in unsigned 32 bits: the wrap at 31 and 32 is defined there.
    uint32_t result = 1;
    for (int32_t i = 0; i < n && result != 0; ++i) {
        result <<= 1;
    }
    return static_cast<int32_t>(result);
}

int32_t DibColorCount(const Dib& dib) {
    return PowerOfTwo(DibBitCount(dib));
}

int ScreenBitsPerPixel() {
    const ScreenDepthHook& hook = screenDepthHook();
    return hook ? hook() : 24;
}

void SetScreenDepthHook(ScreenDepthHook hook) {
    screenDepthHook() = std::move(hook);
}

int32_t zweihoch(int32_t n) {
    return PowerOfTwo(n);
}

}  // namespace grimora
