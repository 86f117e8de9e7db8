// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/picture_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "picture/file_target.h"
#include "picture/pictrix.h"
#include "picture/row_writer.h"

namespace grimora {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr int32_t kPixelsPerMetre = 2835;  // 72 dots per inch
constexpr std::size_t kWriteChunk = std::size_t{1} << 20;

std::string Reason(int error) {
    return std::strerror(error);
}

bool CheckPicture(const Dib& dib, std::string& error) {
    if (dib.bits == nullptr || dib.info == nullptr) {
        error = "There is no picture to save.";
        return false;
    }
    const BitmapInfoHeader& h = dib.info->bmiHeader;
    if (!IsPictureSize(h.biWidth, h.biHeight)) {
        error = "The picture has an invalid size.";
        return false;
    }
    switch (h.biBitCount) {
        case 1:
        case 4:
        case 8:
        case 24:
        case 32:
            break;
        default:
            error = "Grimora cannot save pictures of " + std::to_string(h.biBitCount) +
                    " bits per pixel.";
            return false;
    }
    if (dib.stride < DibStride(h.biWidth, h.biBitCount)) {
        error = "The picture's rows are shorter than its width.";
        return false;
    }
    return true;
}

void PutU16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    PutU16(out, value & 0xFFFFu);
    PutU16(out, value >> 16);
}

std::vector<uint8_t> BmpHeaders(int32_t width, int32_t height, uint32_t imageBytes) {
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutU32(out, kFileHeaderSize + kInfoHeaderSize + imageBytes);
    PutU32(out, 0);
    PutU32(out, kFileHeaderSize + kInfoHeaderSize);
    PutU32(out, kInfoHeaderSize);
    PutU32(out, static_cast<uint32_t>(width));
    PutU32(out, static_cast<uint32_t>(height));
    PutU16(out, 1);   // planes
    PutU16(out, 24);  // bits per pixel
    PutU32(out, 0);   // no compression
    PutU32(out, imageBytes);
    PutU32(out, kPixelsPerMetre);
    PutU32(out, kPixelsPerMetre);
    PutU32(out, 0);  // colours used
    PutU32(out, 0);  // colours important
    return out;
}

bool WriteBmp(int fd, const Dib& dib, LoadProgress& progress) {
    const int32_t width = dib.info->bmiHeader.biWidth;
    const int32_t height = dib.info->bmiHeader.biHeight;
    const std::size_t stride = static_cast<std::size_t>(DibStride(width, 24));
    const std::vector<uint8_t> headers =
        BmpHeaders(width, height, static_cast<uint32_t>(stride * std::size_t(height)));
    if (!WriteAll(fd, headers)) {
        return false;
    }
    const std::size_t rowsPerChunk = std::max<std::size_t>(1, kWriteChunk / stride);
    std::vector<uint8_t> chunk(rowsPerChunk * stride);
    for (int32_t r = 0; r < height;) {
        std::size_t used = 0;
        for (; r < height && used < chunk.size(); ++r, used += stride) {
            EncodeTrueColourRow(dib, r, chunk.data() + used, stride);
        }
        if (!WriteAll(fd, {chunk.data(), used})) {
            return false;
        }
        progress.report(r, height);
    }
    return true;
}

enum class Format { kBmp, kPng, kJpeg, kTiff };

struct FileType {
    const char* extension;
    Format format;
};

constexpr FileType kFileTypes[] = {
    {".bmp", Format::kBmp},   {".png", Format::kPng},  {".jpg", Format::kJpeg},
    {".jpeg", Format::kJpeg}, {".tif", Format::kTiff}, {".tiff", Format::kTiff},
};
constexpr const char* kWrittenTypes = ".bmp, .png, .jpg, .jpeg, .tif and .tiff";

const FileType* FindType(const std::string& extension) {
    for (const FileType& type : kFileTypes) {
        if (extension == type.extension) {
            return &type;
        }
    }
    return nullptr;
}

bool Encode(const FileType& type, const Dib& dib, int jpegQuality, int fd, LoadProgress& progress,
            std::string& reason) {
    if (type.format == Format::kBmp) {
        if (!WriteBmp(fd, dib, progress)) {
            reason = Reason(errno);
            return false;
        }
        return true;
    }
    FileSink sink(fd);
    switch (type.format) {
        case Format::kPng:
            return EncodePng(dib, sink, progress, reason);
        case Format::kJpeg:
            return EncodeJpeg(dib, jpegQuality, sink, progress, reason);
        case Format::kTiff:
            return EncodeTiff(dib, sink, progress, reason);
        case Format::kBmp:
            break;
    }
    return false;
}

}  // namespace

bool CheckPictureFileType(const std::string& path, std::string& error) {
    const std::string extension = LowerExtension(path);
    if (FindType(extension) == nullptr) {
        error = (extension.empty() ? "Grimora cannot write files without an extension"
                                   : "Grimora cannot write " + extension + " files") +
                "; it writes " + kWrittenTypes + " files.";
        return false;
    }
    return true;
}

namespace {

// Everything that can be known before a file is touched.
bool CheckSave(const Dib& dib, const std::string& path, int jpegQuality, std::string& error) {
    if (!CheckPictureFileType(path, error)) {
        return false;
    }
    if (jpegQuality < 1 || jpegQuality > 100) {
        error = "The JPEG quality must be from 1 to 100, not " + std::to_string(jpegQuality) + ".";
        return false;
    }
    return CheckPicture(dib, error);
}

bool EncodeInto(const Dib& dib, FileWrite& file, int jpegQuality, const ProgressCallback& progress,
                std::string& error) {
    const std::string& path = file.target().path;
    bool written = false;
    std::string reason;
    LoadProgress reporter(progress);
    try {
        written =
            Encode(*FindType(LowerExtension(path)), dib, jpegQuality, file.fd(), reporter, reason);
    } catch (const std::bad_alloc&) {
        reason = Reason(ENOMEM);
    }
    if (!written) {
        error = "Cannot write " + path + ": " + reason + ".";
    }
    return written;
}

}  // namespace

bool WritePicture(const Dib& dib, FileWrite& file, std::string& error, int jpegQuality,
                  const ProgressCallback& progress) {
    return CheckSave(dib, file.target().path, jpegQuality, error) &&
           EncodeInto(dib, file, jpegQuality, progress, error);
}

bool SavePicture(const Dib& dib, const std::string& path, std::string& error, int jpegQuality,
                 const ProgressCallback& progress, WriteProtection protection) {
    FileWrite file;
    return CheckSave(dib, path, jpegQuality, error) && file.open(path, error, protection) &&
           EncodeInto(dib, file, jpegQuality, progress, error) && file.commit(error);
}

}  // namespace grimora
