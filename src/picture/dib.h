// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

namespace grimora {

// The device-independent bitmap structures, laid out as the bitmap file format has them.
struct BitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;  // positive: rows stored bottom-up
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

struct RgbQuad {
    uint8_t rgbBlue = 0;
    uint8_t rgbGreen = 0;
    uint8_t rgbRed = 0;
    uint8_t rgbReserved = 0;
};

inline constexpr int kMaxColours = 256;

// The header and a colour table that always has room for 256 entries.
struct BitmapInfo {
    BitmapInfoHeader bmiHeader;
    RgbQuad bmiColors[kMaxColours];
};

struct PaletteEntry {
    uint8_t peRed = 0;
    uint8_t peGreen = 0;
    uint8_t peBlue = 0;
    uint8_t peFlags = 0;
};

struct LogPalette {
    uint16_t palVersion = 0;
    uint16_t palNumEntries = 0;
    PaletteEntry palPalEntry[kMaxColours];
};

// A logical palette made from a LogPalette; the stand-in for a palette handle.
struct Palette;
using PaletteHandle = Palette*;

inline constexpr std::size_t kErrorTextSize = 256;

// The picture record. A plain value: copies share the picture they describe,
// and exactly one copy of each picture is handed to deldib. Code above the
// imaging library holds pictures through OwnedDib (owned_dib.h) instead.
//
// Fields keep the order of the library's record; pointers are native width,
// so nothing may depend on the record's byte size.
struct Dib {
    BitmapInfo* info = nullptr;  // header and colour table
    void* allocation = nullptr;  // nonzero when the record holds a picture
    void* libraryData = nullptr;
    uint8_t* bits = nullptr;  // first byte of memory row 0 (the bottom row)
    int32_t stride = 0;       // bytes per pixel row, a multiple of 4
    uint8_t hasPalette = 0;   // 1: select `palette` before drawing
    uint8_t libraryFlags = 0;
    LogPalette logPalette;
    PaletteHandle palette = nullptr;
    // After a failed OpenDib: what went wrong, zero-terminated. A field of its
    // own rather than an overlay of the palette entries.
    char errorText[kErrorTextSize] = {};
};

// Address of memory row r (0 = bottom row of the picture).
inline uint8_t* DibRow(const Dib& dib, int32_t r) {
    return dib.bits + static_cast<std::ptrdiff_t>(r) * dib.stride;
}

// The depths a picture can have: 1, 4, 8, 16, 24 or 32 bits per pixel.
inline bool IsDibDepth(int bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
           bitCount == 32;
}

// The DIB row length for a width and depth: a multiple of 4 bytes.
inline int64_t DibStride(int64_t width, int bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

}  // namespace grimora
