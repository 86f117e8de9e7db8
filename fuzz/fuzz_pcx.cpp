// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes through the Pcx reader alone.
#include <cstddef>
#include <cstdint>

#include "picture/pcx_reader.h"
#include "reader_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return grimora::FuzzOneReader(data, size, grimora::IsPcxFile, grimora::MeasurePcx,
                                  grimora::ReadPcx);
}
