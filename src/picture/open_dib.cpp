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

bool MeasurePictureFile(const char* fileName, PictureSize& size) {
    std::vector<uint8_t> head;
    std::string error;
    try {
        if (fileName == nullptr || !ReadPictureFile(fileName, FilePart::Head, head, error) ||
            head.empty()) {
            return false;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return MeasurePicture(head, size);
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
        read = ReadPictureFile(fileName, FilePart::Whole, bytes, error);
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
