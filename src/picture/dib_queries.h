// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

#include "picture/dib.h"

namespace grimora {

int32_t DibWidth(const Dib& dib);
int32_t DibHeight(const Dib& dib);
int32_t DibBitCount(const Dib& dib);  // zero-extended biBitCount

// 2 to the power n by doubling 1 n times in 32 bits: 1 for n <= 0,
// -2147483648 for 31 and 0 from 32 on, as the doubling gives.
int32_t PowerOfTwo(int32_t n);
int32_t DibColorCount(const Dib& dib);

// Bits per pixel of the display, measured afresh at every call through the
// platform's hook; 24 until a platform (or a test) installs one.
int ScreenBitsPerPixel();
using ScreenDepthHook = std::function<int()>;
void SetScreenDepthHook(ScreenDepthHook hook);

// The number of colours of a depth, as the picture page shows it.
int32_t zweihoch(int32_t n);

}  // namespace grimora
