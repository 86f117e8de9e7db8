// SPDX-License-Identifier: GPL-3.0-or-later
// What the picture file encoders share: the picture's rows as true colour,
// and a buffered file to write to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/dib.h"
#include "picture/reader_support.h"

namespace grimora {

// Memory row r of a picture of 1, 4, 8, 24 or 32 bits as blue, green, red
// bytes; palette indices are resolved through logPalette. `out` holds
// outStride bytes, of which those past the pixels are set to zero.
void EncodeTrueColourRow(const Dib& dib, int32_t r, uint8_t* out, std::size_t outStride);

// Writes to a file descriptor in large blocks. After a failure every call
// fails and reason() gives the system's reason.
class FileSink {
public:
    explicit FileSink(int fd) : fd_(fd) {}
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    bool write(const void* data, std::size_t size);
    bool flush();
    bool failed() const { return error_ != 0; }
    std::string reason() const;

private:
    bool writeAll(const uint8_t* data, std::size_t size);

    int fd_;
    int error_ = 0;
    std::vector<uint8_t> buffer_;
};

// The encoders. Each writes the whole file through the sink, reporting the
// rows encoded; false with `reason` (a sentence without a final full stop)
// on failure.
bool EncodePng(const Dib& dib, FileSink& sink, LoadProgress& progress, std::string& reason);
bool EncodeJpeg(const Dib& dib, int quality, FileSink& sink, LoadProgress& progress,
                std::string& reason);
bool EncodeTiff(const Dib& dib, FileSink& sink, LoadProgress& progress, std::string& reason);

}  // namespace grimora
