// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes through the Iff reader alone.
#include <cstddef>
#include <cstdint>

#include "picture/iff_reader.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return grimora::FuzzOneReader(data, size, grimora::IsIffFile, grimora::MeasureIff,
                                  grimora::ReadIff);
}
