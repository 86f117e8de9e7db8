// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/reader_support.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "picture/dib_queries.h"

namespace grimora {

namespace {

std::string SystemReason(int error) {
    return std::string(std::strerror(error)) + ".";
}

// Closes a descriptor on every way out.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

bool ReadPictureFile(const char* fileName, FilePart part, std::vector<uint8_t>& bytes,
                     std::string& error) {
    // Opened without blocking and checked as opened, so that a pipe or a
    // device, even one put in the file's place a moment before, can neither
    // block the open nor be read without end.
    const FileDescriptor file(::open(fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        const int reason = errno;
        error = "Cannot open the file: " + SystemReason(reason);
        return false;
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        const int reason = errno;
        error = "Cannot read the file: " + SystemReason(reason);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        error = "Cannot open the file: " + SystemReason(EISDIR);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error = "Cannot open the file: it is not a regular file.";
        return false;
    }
    auto size = static_cast<uintmax_t>(status.st_size);
    if (part == FilePart::Head) {
        size = std::min<uintmax_t>(size, kPictureHeadBytes);
    } else if (size > static_cast<uintmax_t>(kMaxPictureFileBytes)) {
        error = "The file is too large to be a picture: " + std::to_string(size) + " bytes.";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(file.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int reason = errno;
            error = "Cannot read the file: " + SystemReason(reason);
            return false;
        }
        if (n == 0) {
            break;  // the file has shrunk since it was opened
        }
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return true;
}

bool MakeLoadedPicture(OwnedDib& picture, int64_t width, int64_t height, int bitCount,
                       const BitmapInfo* colours, int colourCount, std::string& error) {
    if (!CheckPictureSize(width, height, error)) {
        return false;
    }
    if (!picture.make(static_cast<int32_t>(width), static_cast<int32_t>(height), bitCount, colours,
                      colourCount)) {
        error = "Not enough memory for a picture of " + PixelSizeText(width, height) + " pixels.";
        return false;
    }
    return true;
}

void FillGreyColours(BitmapInfo& colours) {
    for (int i = 0; i < kMaxColours; ++i) {
        const auto v = static_cast<uint8_t>(i);
        colours.bmiColors[i] = RgbQuad{v, v, v, 0};
    }
}

int PaletteDepth(int colours) {
    return colours <= 2 ? 1 : colours <= 16 ? 4 : 8;
}

void PackIndexRow(const uint8_t* indices, int32_t width, int bitCount, uint8_t* row) {
    if (bitCount == 8) {
        std::memcpy(row, indices, static_cast<std::size_t>(width));
        return;
    }
    const int perByte = 8 / bitCount;
    const unsigned mask = (1u << bitCount) - 1;
    for (int32_t x = 0; x < width; x += perByte) {
        unsigned byte = 0;
        for (int i = 0; i < perByte; ++i) {
            const unsigned v = x + i < width ? indices[x + i] & mask : 0;
            byte = byte << bitCount | v;
        }
        row[x / perByte] = static_cast<uint8_t>(byte);
    }
}

int LargestPaletteIndex(const Dib& dib) {
    const int bits = dib.info->bmiHeader.biBitCount;
    const int32_t width = dib.info->bmiHeader.biWidth;
    int largest = 0;
    for (int32_t y = 0; y < dib.info->bmiHeader.biHeight; ++y) {
        const uint8_t* row = DibRow(dib, y);
        for (int32_t x = 0; x < width; ++x) {
            const int index = bits == 8   ? row[x]
                              : bits == 4 ? ((x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4)
                                          : (row[x >> 3] >> (7 - (x & 7))) & 1;
            largest = std::max(largest, index);
        }
    }
    return largest;
}

std::string IndexPastPaletteText(int index, int entries) {
    return "Palette index " + std::to_string(index) + " is past the colour table of " +
           std::to_string(entries) + (entries == 1 ? " entry." : " entries.");
}

void LoadProgress::report(int64_t done, int64_t total) {
    if (!callback_ || total <= 0) {
        return;
    }
    const int percent = static_cast<int>(std::clamp<int64_t>(done, 0, total) * 100 / total);
    if (percent > last_) {
        last_ = percent;
        callback_(percent);
    }
}

}  // namespace grimora
