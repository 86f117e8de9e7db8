// SPDX-License-Identifier: GPL-3.0-or-later
// Loading of picture files: the in-memory entry point behind OpenDib, and the
// pieces that every format reader shares.
#pragma once

#include <cstddef>
#include <cstdint>

#include "picture/dib.h"
#include "picture/pictrix.h"

namespace grimora {

// Largest file OpenDib reads into memory. The largest picture the library
// loads, 32 bits a pixel uncompressed, takes half of this.
inline constexpr int64_t kMaxPictureFileBytes = int64_t{1} << 30;

// Decodes a picture file held in memory, recognising its format by content.
// Same outcome as OpenDib: on success `bits` is nonzero and the record holds a
// bottom-up picture that the caller frees with deldib; on failure the record
// holds no picture and errorText says why. The record is overwritten, not
// freed: a picture it held before stays the caller's.
void OpenDibFromMemory(Dib& dib, const uint8_t* data, std::size_t size,
                       const ProgressCallback& progress);

// Progress of one load as whole percentages that only rise: the callback is
// called when the percentage changes, never twice with the same value.
class LoadProgress {
public:
    explicit LoadProgress(const ProgressCallback& callback) : callback_(callback) {}

    // `done` of `total` units (rows, usually) are decoded.
    void report(int64_t done, int64_t total);
    void finish() { report(1, 1); }

private:
    const ProgressCallback& callback_;
    int last_ = -1;
};

}  // namespace grimora
