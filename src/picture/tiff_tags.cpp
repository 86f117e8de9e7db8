// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/tiff_tags.h"

#include <algorithm>

namespace grimora {

namespace {

// Bytes of one value of a TIFF field type; 0 for a type libtiff does not know.
uint64_t TypeBytes(uint64_t type) {
    switch (type) {
        case 1:  // BYTE
        case 2:  // ASCII
        case 6:  // SBYTE
        case 7:  // UNDEFINED
            return 1;
        case 3:  // SHORT
        case 8:  // SSHORT
            return 2;
        case 4:   // LONG
        case 9:   // SLONG
        case 11:  // FLOAT
        case 13:  // IFD
            return 4;
        case 5:   // RATIONAL
        case 10:  // SRATIONAL
        case 12:  // DOUBLE
        case 16:  // LONG8
        case 17:  // SLONG8
        case 18:  // IFD8
            return 8;
        default:
            return 0;
    }
}

class Reader {
public:
    Reader(std::span<const uint8_t> file, bool bigEndian) : file_(file), bigEndian_(bigEndian) {}
    // False when the value does not lie wholly inside the file.
    bool get(uint64_t at, int bytes, uint64_t& value) const {
        if (at > file_.size() || file_.size() - at < static_cast<uint64_t>(bytes)) {
            return false;
        }
        value = 0;
        for (int i = 0; i < bytes; ++i) {
            const uint64_t byte = file_[at + static_cast<uint64_t>(bigEndian_ ? i : bytes - 1 - i)];
            value = value << 8 | byte;
        }
        return true;
    }

private:
    std::span<const uint8_t> file_;
    bool bigEndian_;
};

}  // namespace

bool TiffTagDataFits(std::span<const uint8_t> file, int directories) {
    if (file.size() < 8 || file[0] != file[1] || (file[0] != 'I' && file[0] != 'M')) {
        return true;
    }
    const Reader read(file, file[0] == 'M');
    uint64_t version = 0;
    read.get(2, 2, version);
    const bool big = version == 43;
    if (version != 42 && !big) {
        return true;
    }
    const int countBytes = big ? 8 : 2;
    const int valueBytes = big ? 8 : 4;
    const uint64_t entryBytes = big ? 20 : 12;
    const uint64_t size = file.size();
    uint64_t directory = 0;
    if (!read.get(big ? 8 : 4, valueBytes, directory)) {
        return true;
    }
    uint64_t declared = 0;
    for (int d = 0; d < directories && directory != 0; ++d) {
        uint64_t entries = 0;
        if (!read.get(directory, countBytes, entries)) {
            break;
        }
        const uint64_t first = directory + static_cast<uint64_t>(countBytes);
        // Only entries inside the file: libtiff cannot read the others.
        const uint64_t present = std::min(entries, (size - std::min(first, size)) / entryBytes);
        for (uint64_t i = 0; i < present; ++i) {
            const uint64_t at = first + i * entryBytes;
            uint64_t type = 0;
            uint64_t count = 0;
            uint64_t offset = 0;
            read.get(at + 2, 2, type);
            read.get(at + 4, valueBytes, count);
            read.get(at + 4 + static_cast<uint64_t>(valueBytes), valueBytes, offset);
            const uint64_t typeBytes = TypeBytes(type);
            // A count beyond the file's size needs more than it holds anyway.
            const uint64_t bytes = std::min(count, size) * typeBytes;
            if (bytes <= static_cast<uint64_t>(valueBytes) || offset >= size) {
                continue;
            }
            declared += std::min(bytes, size - offset);
            if (declared > size) {
                return false;
            }
        }
        if (present < entries || !read.get(first + entries * entryBytes, valueBytes, directory)) {
            break;
        }
    }
    return true;
}

}  // namespace grimora
