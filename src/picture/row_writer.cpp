// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/row_writer.h"

#include <cerrno>
#include <cstring>

#include "picture/file_target.h"

namespace grimora {

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;

}  // namespace

void EncodeTrueColourRow(const Dib& dib, int32_t r, uint8_t* out, std::size_t outStride) {
    const int32_t width = dib.info->bmiHeader.biWidth;
    const int bits = dib.info->bmiHeader.biBitCount;
    const uint8_t* row = DibRow(dib, r);
    std::memset(out, 0, outStride);
    if (bits == 24) {
        std::memcpy(out, row, std::size_t(width) * 3);
        return;
    }
    for (int32_t x = 0; x < width; ++x, out += 3) {
        if (bits == 32) {
            std::memcpy(out, row + 4 * std::size_t(x), 3);
            continue;
        }
        unsigned index = 0;
        if (bits == 8) {
            index = row[x];
        } else if (bits == 4) {
            index = (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
        } else {
            index = (row[x >> 3] >> (7 - (x & 7))) & 1u;
        }
        const PaletteEntry& colour = dib.logPalette.palPalEntry[index];
        out[0] = colour.peBlue;
        out[1] = colour.peGreen;
        out[2] = colour.peRed;
    }
}

bool FileSink::write(const void* data, std::size_t size) {
    if (error_ != 0) {
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (buffer_.size() + size > kBlock && !flush()) {
        return false;
    }
    if (size >= kBlock) {
        return writeAll(bytes, size);
    }
    buffer_.insert(buffer_.end(), bytes, bytes + size);
    return true;
}

bool FileSink::flush() {
    if (error_ != 0 || !writeAll(buffer_.data(), buffer_.size())) {
        return false;
    }
    buffer_.clear();
    return true;
}

bool FileSink::writeAll(const uint8_t* data, std::size_t size) {
    if (!WriteAll(fd_, {data, size})) {
        error_ = errno;
        return false;
    }
    return true;
}

std::string FileSink::reason() const {
    return std::strerror(error_ != 0 ? error_ : EIO);
}

}  // namespace grimora
