// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/pictrix.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace grimora {

struct Palette {
    std::vector<PaletteEntry> entries;
};

namespace {

// One block holds the header with its colour table and then the pixel rows,
// so that a picture is one allocation and deldib one free.
constexpr std::size_t kBitsOffset = (sizeof(BitmapInfo) + 15) / 16 * 16;

}  // namespace

void newdib(Dib& dib, int32_t width, int32_t height, int bitCount, const BitmapInfo* colours,
            int colourCount) {
    dib = Dib{};
    if (!IsDibDepth(bitCount) || !IsPictureSize(width, height)) {
        return;
    }
    const int64_t stride = DibStride(width, bitCount);
    const int64_t imageBytes = stride * height;
    // calloc: the rows must start as zero bytes, and large pictures get pages
    // that are zero already.
    auto* block = static_cast<uint8_t*>(std::calloc(1, kBitsOffset + imageBytes));
    if (block == nullptr) {
        return;
    }
    auto* info = new (block) BitmapInfo{};
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biBitCount = static_cast<uint16_t>(bitCount);
    info->bmiHeader.biSizeImage = static_cast<uint32_t>(imageBytes);

    dib.info = info;
    dib.allocation = block;
    dib.bits = block + kBitsOffset;
    dib.stride = static_cast<int32_t>(stride);

    if (bitCount <= 8) {
        const int entries = 1 << bitCount;
        info->bmiHeader.biClrUsed = static_cast<uint32_t>(entries);
        const int copied = colours == nullptr ? 0 : std::min(std::max(colourCount, 0), entries);
        for (int i = 0; i < copied; ++i) {
            info->bmiColors[i] = colours->bmiColors[i];
        }
        dib.logPalette.palVersion = 0x300;
        dib.logPalette.palNumEntries = static_cast<uint16_t>(entries);
        for (int i = 0; i < entries; ++i) {
            const RgbQuad& q = info->bmiColors[i];
            dib.logPalette.palPalEntry[i] = PaletteEntry{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
        }
        dib.palette = CreatePalette(dib.logPalette);
        dib.hasPalette = 1;
    }
}

void deldib(Dib dib) {
    DeletePalette(dib.palette);
    std::free(dib.allocation);
}

namespace {

bool inside(const Dib& dib, int32_t x, int32_t y) {
    return dib.bits != nullptr && dib.info != nullptr && x >= 0 && y >= 0 &&
           x < dib.info->bmiHeader.biWidth && y < dib.info->bmiHeader.biHeight;
}

}  // namespace

uint32_t getpixel(Dib dib, int32_t x, int32_t y) {
    if (!inside(dib, x, y)) {
        return 0;
    }
    const uint8_t* row = DibRow(dib, y);
    switch (dib.info->bmiHeader.biBitCount) {
        case 1:
            return (row[x >> 3] >> (7 - (x & 7))) & 1u;
        case 4:
            return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
        case 8:
            return row[x];
        case 16:
            return uint32_t{row[2 * x]} | uint32_t{row[2 * x + 1]} << 8;
        case 24: {
            const uint8_t* p = row + 3 * x;
            return uint32_t{p[2]} | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16;
        }
        case 32: {
            const uint8_t* p = row + 4 * x;
            return uint32_t{p[2]} | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16;
        }
        default:
            return 0;
    }
}

bool setpixel(Dib dib, int32_t x, int32_t y, uint32_t value) {
    if (!inside(dib, x, y)) {
        return false;
    }
    uint8_t* row = DibRow(dib, y);
    switch (dib.info->bmiHeader.biBitCount) {
        case 1: {
            const uint8_t mask = static_cast<uint8_t>(0x80u >> (x & 7));
            row[x >> 3] = (value & 1u) ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask);
            return true;
        }
        case 4: {
            uint8_t& b = row[x >> 1];
            const uint8_t v = value & 0x0Fu;
            b = (x & 1) ? static_cast<uint8_t>((b & 0xF0u) | v)
                        : static_cast<uint8_t>((b & 0x0Fu) | (v << 4));
            return true;
        }
        case 8:
            row[x] = static_cast<uint8_t>(value);
            return true;
        case 16:
            row[2 * x] = static_cast<uint8_t>(value);
            row[2 * x + 1] = static_cast<uint8_t>(value >> 8);
            return true;
        case 24:
        case 32: {
            uint8_t* p = row + (dib.info->bmiHeader.biBitCount / 8) * x;
            p[0] = static_cast<uint8_t>(value >> 16);
            p[1] = static_cast<uint8_t>(value >> 8);
            p[2] = static_cast<uint8_t>(value);
            return true;
        }
        default:
            return false;
    }
}

PaletteHandle CreatePalette(const LogPalette& logPalette) {
    auto* palette = new (std::nothrow) Palette;
    if (palette == nullptr) {
        return nullptr;
    }
    const int count = std::min<int>(logPalette.palNumEntries, kMaxColours);
    palette->entries.assign(logPalette.palPalEntry, logPalette.palPalEntry + count);
    return palette;
}

void DeletePalette(PaletteHandle palette) {
    delete palette;
}

int PaletteSize(PaletteHandle palette) {
    return palette == nullptr ? 0 : static_cast<int>(palette->entries.size());
}

PaletteEntry PaletteColour(PaletteHandle palette, int index) {
    if (palette == nullptr || index < 0 || index >= PaletteSize(palette)) {
        return PaletteEntry{};
    }
    return palette->entries[static_cast<std::size_t>(index)];
}

}  // namespace grimora
