// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes through the warp file reader: a clean refusal with a
// message, or a field whose every entry lies inside it and a mask of its
// size, never a read outside the input.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "warp/warp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    grimora::WarpLimits limits;
    limits.maxEntries = int64_t{1} << 20;  // larger warps are sound but slow to fill
    grimora::WarpFile warp;
    std::string error;
    if (!grimora::DecodeWarpFile(std::span<const uint8_t>(data, size), warp, error, limits)) {
        if (error.empty() || !warp.field.empty()) {
            __builtin_trap();
        }
        return 0;
    }
    const grimora::DisplacementField& field = warp.field;
    if (field.empty() || (!warp.mask.empty() && warp.mask.size() != field.size())) {
        __builtin_trap();
    }
    for (std::size_t i = 0; i < field.size(); ++i) {
        const grimora::Displacement e = field.data()[i];
        if (e.x < 0 || e.x >= field.width() || e.y < 0 || e.y >= field.height()) {
            __builtin_trap();
        }
    }
    return 0;
}
