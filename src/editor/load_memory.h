// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a loaded picture can be taken before the old one is given up: the
// one memory check of a load.
#pragma once

#include <cstdint>
#include <optional>

namespace grimora {

// Bytes that taking a loaded picture of this size and depth needs while the
// old picture, field and result still exist: the 24-bit copy the depth
// conversion makes (below 24 bits), the field at 8 bytes a pixel, its
// freeze mask at 1 and the result picture.
int64_t LoadCompletionBytes(int32_t width, int32_t height, int bitCount);

// What decided the check.
enum class MemoryGuard {
    // Each block asked for from the system, all held at once, then given back.
    System,
    // A limit a test installed (ScopedLoadMemoryLimit), standing for a
    // machine on which nothing could be had.
    TestLimit,
    // The size is no picture's: nothing was asked for.
    Size,
};

struct LoadMemory {
    bool enough = false;
    MemoryGuard decidedBy = MemoryGuard::System;
};

// Whether those bytes can be had now, and which guard said so. A field and
// result already made for the picture are not asked for a second time.
LoadMemory CheckLoadMemory(int32_t width, int32_t height, int bitCount,
                           bool fieldAndResultHeld = false);

// For tests: while one lives, CheckLoadMemory answers by this many bytes
// instead of asking for the memory.
class ScopedLoadMemoryLimit {
public:
    explicit ScopedLoadMemoryLimit(int64_t bytes);
    ~ScopedLoadMemoryLimit();
    ScopedLoadMemoryLimit(const ScopedLoadMemoryLimit&) = delete;
    ScopedLoadMemoryLimit& operator=(const ScopedLoadMemoryLimit&) = delete;

private:
    std::optional<int64_t> previous_;
};

}  // namespace grimora
