// SPDX-License-Identifier: GPL-3.0-or-later
// What every picture reader shares: reading a file's bytes as the loader
// reads them, progress, the size a header claims, making the picture, and
// the handling of palettes. The dispatcher (open_dib.h) sits above the
// readers and this below them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/dib.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"
#include "picture/picture_limits.h"

namespace grimora {

// Enough of a file for its header: the size comes before the pixels, after
// at most some tables and a thumbnail.
inline constexpr std::size_t kPictureHeadBytes = std::size_t{256} << 10;

// All of a file, or its first kPictureHeadBytes.
enum class FilePart { Whole, Head };

// Reads a picture file: opened without blocking and checked as opened, so
// that a pipe or a device, even one put in the file's place a moment before,
// can neither block the open nor be read without end; only a regular file is
// read, and a whole one only up to kMaxPictureFileBytes. False with a message
// that names the system's reason otherwise.
bool ReadPictureFile(const char* fileName, FilePart part, std::vector<uint8_t>& bytes,
                     std::string& error);

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

// newdib through `picture`, after CheckPictureSize, with a message when the
// memory is not there.
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
