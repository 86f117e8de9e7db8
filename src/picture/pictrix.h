// SPDX-License-Identifier: GPL-3.0-or-later
// Our imaging library: makes, frees, addresses, halftones and loads pictures.
#pragma once

#include <cstdint>
#include <functional>

#include "picture/dib.h"
#include "picture/picture_limits.h"

namespace grimora {

// Makes a picture of width x height at bitCount bits (1, 4, 8, 16, 24 or 32):
// rows bottom-up, stride and biSizeImage set, every pixel byte 0, allocation
// nonzero. Palette depths get 2^bits entries in the colour table and in
// logPalette; when colours is given, its first colourCount entries are copied.
// On failure (bad depth, size out of range, no memory) allocation stays 0.
void newdib(Dib& dib, int32_t width, int32_t height, int bitCount, const BitmapInfo* colours,
            int colourCount);

// Frees all that the record refers to. A record that holds nothing is ignored.
void deldib(Dib dib);

// Pixel x of memory row y. Palette depths give the index (1 bit: 0 or 1);
// 24 bits give red | green << 8 | blue << 16. Outside the picture: 0.
uint32_t getpixel(Dib dib, int32_t x, int32_t y);

// Writes pixel x of memory row y, same value layout as getpixel; palette
// indices are masked to the depth (255 on a 4-bit picture lands on 15).
// Returns false when nothing was written (outside, or an unsupported depth).
bool setpixel(Dib dib, int32_t x, int32_t y, uint32_t value);

// Makes dest an 8-bit picture of source's size (or width x height) using the
// fixed halftone palette, which is also dest's `palette`. The source must have
// 24 bits; otherwise dest's allocation stays 0.
void DIBHalftoneDIB(Dib& dest, Dib source);
void DIBHalftoneDIBXY(Dib& dest, Dib source, int32_t width, int32_t height);

// Loading progress, 0 to 100; stands in for the window message the library sends.
using ProgressCallback = std::function<void(int percent)>;

// Loads a picture file as a bottom-up picture, recognising the file by its
// content. Success: bits nonzero. Failure: bits zero and errorText says why.
void OpenDib(Dib& dib, const char* fileName, const ProgressCallback& progress);

// Palette objects (stand-ins for CreatePalette and DeleteObject).
PaletteHandle CreatePalette(const LogPalette& logPalette);
void DeletePalette(PaletteHandle palette);

// Reading of a palette object, for drawing devices.
int PaletteSize(PaletteHandle palette);
PaletteEntry PaletteColour(PaletteHandle palette, int index);

}  // namespace grimora
