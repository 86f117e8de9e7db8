// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/open_dib.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "picture/bmp_reader.h"
#include "picture/gif_reader.h"
#include "picture/iff_reader.h"
#include "picture/jpeg_reader.h"
#include "picture/owned_dib.h"
#include "picture/pcx_reader.h"
#include "picture/png_reader.h"
#include "picture/tga_reader.h"
#include "picture/tiff_reader.h"

namespace grimora {

namespace {

constexpr const char* kNotAPicture = "This is not a picture file that Grimora can read.";

bool MeasureBmp(std::span<const uint8_t> file, PictureSize& size) {
    BmpHeader header;
    std::string error;
    if (!ReadBmpHeader(file, header, error)) {
        return false;
    }
    size = {header.width, header.height};
    return true;
}

// The format readers, each recognising its files by their first bytes.
// `measure` may be left out.
struct PictureFormat {
    bool (*sniff)(std::span<const uint8_t> file);
    bool (*read)(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
                 LoadProgress& progress);
    bool (*measure)(std::span<const uint8_t> file, PictureSize& size) = nullptr;
};

constexpr PictureFormat kFormats[] = {
    {IsBmpFile, ReadBmp, MeasureBmp},
    {IsGifFile, ReadGif, MeasureGif},
    {IsJpegFile, ReadJpeg, MeasureJpeg},
    {IsPngFile, ReadPng, MeasurePng},
    {IsTiffFile, ReadTiff, MeasureTiff},
    {IsPcxFile, ReadPcx, MeasurePcx},
    {IsIffFile, ReadIff, MeasureIff},
    // TGA has no magic number: it is tried last, so that no file of another
    // format is taken for one.
    {IsTgaFile, ReadTga, MeasureTga},
};

bool IsBlack(const RgbQuad& c) {
    return c.rgbRed == 0 && c.rgbGreen == 0 && c.rgbBlue == 0;
}

bool IsWhite(const RgbQuad& c) {
    return c.rgbRed == 255 && c.rgbGreen == 255 && c.rgbBlue == 255;
}

// Whatever a reader delivered, a 1-bit picture leaves here black then white,
// because the depth conversion draws 1-bit pictures in pure black and white.
// White then black has its bits inverted; any other pair of colours is
// widened to 8 bits, keeping its two colours.
bool SettleOneBitColours(OwnedDib& picture, std::string& error) {
    const Dib& dib = picture.get();
    if (dib.info->bmiHeader.biBitCount != 1) {
        return true;
    }
    const RgbQuad first = dib.info->bmiColors[0];
    const RgbQuad second = dib.info->bmiColors[1];
    if (IsBlack(first) && IsWhite(second)) {
        return true;
    }
    const int32_t width = dib.info->bmiHeader.biWidth;
    const int32_t height = dib.info->bmiHeader.biHeight;
    if (IsWhite(first) && IsBlack(second)) {
        const std::size_t rowBytes = static_cast<std::size_t>((width + 7) / 8);
        for (int32_t r = 0; r < height; ++r) {
            uint8_t* row = DibRow(dib, r);
            for (std::size_t i = 0; i < rowBytes; ++i) {
                row[i] = static_cast<uint8_t>(~row[i]);
            }
        }
        Dib& edited = picture.edit();
        std::swap(edited.info->bmiColors[0], edited.info->bmiColors[1]);
        std::swap(edited.logPalette.palPalEntry[0], edited.logPalette.palPalEntry[1]);
        const PaletteHandle remade = CreatePalette(edited.logPalette);
        if (remade == nullptr) {
            error = "Not enough memory to load the picture.";
            return false;
        }
        DeletePalette(edited.palette);
        edited.palette = remade;
        return true;
    }
    BitmapInfo colours;
    colours.bmiColors[0] = first;
    colours.bmiColors[1] = second;
    OwnedDib wide;
    if (!MakeLoadedPicture(wide, width, height, 8, &colours, 2, error)) {
        return false;
    }
    for (int32_t r = 0; r < height; ++r) {
        const uint8_t* source = DibRow(dib, r);
        uint8_t* dest = DibRow(wide.get(), r);
        for (int32_t x = 0; x < width; ++x) {
            dest[x] = (source[x >> 3] >> (7 - (x & 7))) & 1u;
        }
    }
    picture = std::move(wide);
    return true;
}

// Leaves the record without a picture and with the message, cut at a
// character boundary if it is too long.
void Fail(Dib& dib, const std::string& message) {
    dib = Dib{};
    std::size_t n = std::min(message.size(), kErrorTextSize - 1);
    while (n > 0 && n < message.size() && (static_cast<uint8_t>(message[n]) & 0xC0u) == 0x80u) {
        --n;
    }
    std::memcpy(dib.errorText, message.data(), n);
    dib.errorText[n] = '\0';
}

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

bool ReadWholeFile(const char* fileName, std::vector<uint8_t>& bytes, std::string& error) {
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
    const auto size = static_cast<uintmax_t>(status.st_size);
    if (size > static_cast<uintmax_t>(kMaxPictureFileBytes)) {
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

}  // namespace

bool MeasurePicture(std::span<const uint8_t> file, PictureSize& size) {
    for (const PictureFormat& format : kFormats) {
        if (format.sniff(file)) {
            try {
                return format.measure != nullptr && format.measure(file, size);
            } catch (const std::bad_alloc&) {
                return false;
            }
        }
    }
    return false;
}

std::string PixelSizeText(int64_t width, int64_t height) {
    return std::to_string(width) + " × " + std::to_string(height);
}

bool CheckPictureSize(int64_t width, int64_t height, std::string& error) {
    if (width < 1 || height < 1) {
        error = "The picture size is invalid: " + PixelSizeText(width, height) + " pixels.";
        return false;
    }
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels) {
        error = "The picture is too large: " + PixelSizeText(width, height) + " pixels.";
        return false;
    }
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

void OpenDibFromMemory(Dib& dib, const uint8_t* data, std::size_t size,
                       const ProgressCallback& progress) {
    dib = Dib{};
    if (data == nullptr || size == 0) {
        Fail(dib, "The file is empty.");
        return;
    }
    const std::span<const uint8_t> file(data, size);
    for (const PictureFormat& format : kFormats) {
        if (!format.sniff(file)) {
            continue;
        }
        LoadProgress reporter(progress);
        OwnedDib picture;
        std::string error;
        bool read = false;
        try {
            read = format.read(file, picture, error, reporter);
        } catch (const std::bad_alloc&) {
            error = "Not enough memory to load the picture.";
        }
        try {
            read = read && SettleOneBitColours(picture, error);
        } catch (const std::bad_alloc&) {
            read = false;
            error = "Not enough memory to load the picture.";
        }
        if (!read) {
            Fail(dib, error);
            return;
        }
        reporter.finish();
        dib = picture.release();
        return;
    }
    Fail(dib, kNotAPicture);
}

void OpenDib(Dib& dib, const char* fileName, const ProgressCallback& progress) {
    dib = Dib{};
    if (fileName == nullptr || *fileName == '\0') {
        Fail(dib, "Cannot open the file: no file name was given.");
        return;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    bool read = false;
    try {
        read = ReadWholeFile(fileName, bytes, error);
    } catch (const std::bad_alloc&) {
        error = "Not enough memory to read the file.";
    }
    if (!read) {
        Fail(dib, error);
        return;
    }
    OpenDibFromMemory(dib, bytes.data(), bytes.size(), progress);
}

}  // namespace grimora
