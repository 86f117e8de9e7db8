// SPDX-License-Identifier: GPL-3.0-or-later
// Loading of picture files: the in-memory entry point behind OpenDib, and the
// pieces that every format reader shares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "picture/dib.h"
#include "picture/owned_dib.h"
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

// Progress of one load (or save) as whole percentages that only rise: the
// callback is called when the percentage changes, never twice with the same
// value.
class LoadProgress {
public:
    explicit LoadProgress(const ProgressCallback& callback) : callback_(callback) {}

    // `done` of `total` units (rows, usually) are decoded (or encoded).
    void report(int64_t done, int64_t total);
    void finish() { report(1, 1); }

private:
    const ProgressCallback& callback_;
    int last_ = -1;
};

// What a format reader can tell from a file's header alone: the picture's
// size, before any memory is taken for its pixels.
struct PictureSize {
    int64_t width = 0;
    int64_t height = 0;
};

// The size the file's header claims, for the formats whose reader can say so
// cheaply; false when the format is unknown, or its header is broken or
// cannot be measured. Lets a caller refuse a picture larger than it wants.
bool MeasurePicture(std::span<const uint8_t> file, PictureSize& size);

// Shared by the format readers.
// "W × H".
std::string PixelSizeText(int64_t width, int64_t height);
// False with a message when the size is empty or past the library's limits;
// a reader calls it on the header's size before taking any memory.
bool CheckPictureSize(int64_t width, int64_t height, std::string& error);
// newdib through `picture`, with a message when the memory is not there.
bool MakeLoadedPicture(OwnedDib& picture, int64_t width, int64_t height, int bitCount,
                       const BitmapInfo* colours, int colourCount, std::string& error);
// Entries 0..255 of the colour table set to the greys 0..255.
void FillGreyColours(BitmapInfo& colours);
// The depth that holds `colours` palette entries: 1, 4 or 8.
int PaletteDepth(int colours);
// An 8-bit index row packed into a row of 1, 4 or
// 8 bits a pixel, in the DIB's order (leftmost pixel in the high bits).
void PackIndexRow(const uint8_t* indices, int32_t width, int bitCount, uint8_t* row);
// The largest palette index that a pixel of a 1, 4 or 8-bit picture uses.
int LargestPaletteIndex(const Dib& dib);
// Every reader refuses a pixel whose palette index has no colour rather
// than show a made-up one, with this message.
std::string IndexPastPaletteText(int index, int entries);

}  // namespace grimora
