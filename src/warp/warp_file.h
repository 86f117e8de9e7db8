// SPDX-License-Identifier: GPL-3.0-or-later
// The warp file (*.gwarp): the field as a TIFF that any TIFF reader opens.
// Two 32-bit signed samples a pixel (source column, source row counted from
// the top), rows top-down as TIFF stores them, Deflate with the horizontal
// predictor; ImageDescription holds a small JSON object naming the format and
// the picture the warp was made for. A second directory, when there is one,
// holds the freeze mask: 8 bits a pixel, the same size, rows top-down.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "picture/pictrix.h"
#include "warp/displacement_field.h"

namespace grimora {

inline constexpr const char* kWarpFormatName = "grimora-warp";
inline constexpr int64_t kWarpFormatVersion = 1;

// What a warp file says about the picture it was made for. A recovery copy
// adds where that picture lay, so that it can be found and checked again.
struct WarpOrigin {
    // The picture's file name without its folder ("blank:WxH" for a blank
    // one); empty when unknown.
    std::string source;
    // Recovery copies only: the picture's path, its size in bytes and its
    // modification time in nanoseconds since the epoch; -1 when unknown.
    std::string picturePath;
    int64_t pictureBytes = -1;
    int64_t pictureModified = -1;
};

struct WarpFile {
    DisplacementField field;  // memory rows, as the session holds it
    // Empty, or one byte an entry in the field's order (0 free, 255 frozen).
    std::vector<uint8_t> mask;
    WarpOrigin origin;
};

// What a reader accepts: the picture limits, or less (the fuzzer's).
struct WarpLimits {
    int64_t maxSide = kMaxPictureSide;
    int64_t maxEntries = kMaxPicturePixels;
};

// The file's bytes for `field` and, unless empty, `mask` (one byte an entry).
// False with `error` when the memory for them cannot be had, or once `stop`
// is set.
bool EncodeWarpFile(const DisplacementField& field, std::span<const uint8_t> mask,
                    const WarpOrigin& origin, std::vector<uint8_t>& out, std::string& error,
                    const std::atomic<bool>* stop = nullptr);

// Reads a warp file, checking everything before it returns: the TIFF's
// layout, the size against `limits` and against the data present, every
// entry inside its picture, the mask's layout. False with `error`, a
// sentence that names the fault, and `out` untouched, when it is no sound
// warp file.
bool DecodeWarpFile(std::span<const uint8_t> file, WarpFile& out, std::string& error,
                    const WarpLimits& limits = {});

// The same from a file on disk, read whole (a regular file of a size that a
// warp within the limits can have). Errors name no file: the caller does.
bool ReadWarpFile(const std::string& path, WarpFile& out, std::string& error);
// Writes the warp file to `path`, replacing an existing file only once the
// new one is complete. `error` names the file.
bool WriteWarpFile(const std::string& path, const DisplacementField& field,
                   std::span<const uint8_t> mask, const WarpOrigin& origin, std::string& error,
                   const std::atomic<bool>* stop = nullptr);

// `saved` put onto a picture of width x height: entry (c', r') takes the
// saved entry e at c = c' * W div width, r = r' * H div height (memory rows)
// and becomes c' + Round((e.x - c) * width / W), r' + Round((e.y - r) *
// height / H), halves to even (RoundHalfEven), clamped into the picture. The same size gives
// `saved` back. Nothing when the memory for it cannot be had.
std::optional<DisplacementField> FitField(const DisplacementField& saved, int32_t width,
                                          int32_t height);
// The mask by the same choice of saved entry; empty stays empty.
std::vector<uint8_t> FitMask(std::span<const uint8_t> mask, int32_t savedWidth, int32_t savedHeight,
                             int32_t width, int32_t height);

}  // namespace grimora
