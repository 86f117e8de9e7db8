// SPDX-License-Identifier: GPL-3.0-or-later
// Loading of picture files: the dispatcher that recognises a format by
// content and hands the file to its reader (reader_support.h holds what the
// readers share).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "picture/dib.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"
#include "picture/reader_support.h"

namespace grimora {

// Decodes a picture file held in memory, recognising its format by content.
// Same outcome as OpenDib: on success `bits` is nonzero and the record holds a
// bottom-up picture that the caller frees with deldib; on failure the record
// holds no picture and errorText says why. The record is overwritten, not
// freed: a picture it held before stays the caller's.
void OpenDibFromMemory(Dib& dib, const uint8_t* data, std::size_t size,
                       const ProgressCallback& progress);

// The size the file's header claims, for the formats whose reader can say so
// cheaply; false when the format is unknown, or its header is broken or
// cannot be measured. Lets a caller refuse a picture larger than it wants.
bool MeasurePicture(std::span<const uint8_t> file, PictureSize& size);

// MeasurePicture on the head of the file `fileName`, read as the loader
// reads it.
bool MeasurePictureFile(const char* fileName, PictureSize& size);

}  // namespace grimora
