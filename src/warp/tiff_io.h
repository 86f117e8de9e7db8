// SPDX-License-Identifier: GPL-3.0-or-later
// libtiff on bytes in memory, for the files the field is kept in and handed
// over as: written whole before they go to disk (libtiff seeks back to write
// its directories), read from bytes a caller has checked the size of.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <tiffio.h>

namespace grimora {

class TiffInMemory {
public:
    // Reading `file`, which must outlive this. libtiff asks for no single
    // block larger than `maxAllocation`.
    TiffInMemory(std::span<const uint8_t> file, int64_t maxAllocation);
    // Writing into `out`, in the classic format or, with `big`, BigTIFF.
    TiffInMemory(std::vector<uint8_t>& out, bool big);
    ~TiffInMemory();
    TiffInMemory(const TiffInMemory&) = delete;
    TiffInMemory& operator=(const TiffInMemory&) = delete;

    // Null when the file could not be opened; message() says why.
    TIFF* get() const { return tiff_; }
    // Writes what is left and closes; false when that failed.
    bool finish();
    // libtiff's first complaint, or empty.
    const std::string& message() const { return message_; }

private:
    friend struct TiffInMemoryAccess;
    TIFF* tiff_ = nullptr;
    std::span<const uint8_t> in_;
    std::vector<uint8_t>* out_ = nullptr;
    uint64_t at_ = 0;
    std::string message_;
};

// Strip height for rows of `rowBytes`: strips of about 256 KB, which keeps
// Deflate's window full without making a reader hold much at once.
uint32_t StripRows(uint64_t rowBytes, uint32_t height);

}  // namespace grimora
