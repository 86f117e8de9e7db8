// SPDX-License-Identifier: GPL-3.0-or-later
// TIFF encoder: 8-bit RGB in strips, LZW with horizontal differencing.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include <tiffio.h>

#include "picture/row_writer.h"

namespace grimora {

namespace {

// libtiff seeks back to write the directory's offset into the header, so the
// file is put together in memory and written in one go.
struct MemoryOutput {
    std::vector<uint8_t> bytes;
    uint64_t at = 0;
    char message[200] = {};
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
    auto* output = static_cast<MemoryOutput*>(handle);
    if (size <= 0 || output->at >= output->bytes.size()) {
        return 0;
    }
    const uint64_t n =
        std::min<uint64_t>(static_cast<uint64_t>(size), output->bytes.size() - output->at);
    std::memcpy(buffer, output->bytes.data() + output->at, n);
    output->at += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t size) {
    auto* output = static_cast<MemoryOutput*>(handle);
    if (size <= 0) {
        return 0;
    }
    const uint64_t end = output->at + static_cast<uint64_t>(size);
    try {
        if (end > output->bytes.size()) {
            output->bytes.resize(end);
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    std::memcpy(output->bytes.data() + output->at, buffer, static_cast<std::size_t>(size));
    output->at = end;
    return size;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* output = static_cast<MemoryOutput*>(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) {
        base = output->at;
    } else if (whence == SEEK_END) {
        base = output->bytes.size();
    }
    output->at = base + offset;
    return output->at;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t handle) {
    return static_cast<MemoryOutput*>(handle)->bytes.size();
}

int MapProc(thandle_t, void**, toff_t*) {
    return 0;
}

void UnmapProc(thandle_t, void*, toff_t) {}

int ErrorHandler(TIFF*, void* user, const char* module, const char* format, va_list arguments) {
    auto* output = static_cast<MemoryOutput*>(user);
    if (output->message[0] == '\0') {
        char text[160];
        std::vsnprintf(text, sizeof text, format, arguments);
        std::snprintf(output->message, sizeof output->message, "%s%s%s", module ? module : "",
                      module ? ": " : "", text);
    }
    return 1;
}

int WarningHandler(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

class TiffEncoder {
public:
    explicit TiffEncoder(MemoryOutput& output) {
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (options == nullptr) {
            return;
        }
        TIFFOpenOptionsSetErrorHandlerExtR(options, ErrorHandler, &output);
        TIFFOpenOptionsSetWarningHandlerExtR(options, WarningHandler, nullptr);
        tiff_ = TIFFClientOpenExt("picture", "w", &output, ReadProc, WriteProc, SeekProc, CloseProc,
                                  SizeProc, MapProc, UnmapProc, options);
        TIFFOpenOptionsFree(options);
    }
    ~TiffEncoder() { close(); }
    TiffEncoder(const TiffEncoder&) = delete;
    TiffEncoder& operator=(const TiffEncoder&) = delete;

    TIFF* get() const { return tiff_; }
    // Writes the directory; false when that failed.
    bool close() {
        if (tiff_ == nullptr) {
            return true;
        }
        const bool flushed = TIFFFlush(tiff_) == 1;
        TIFFClose(tiff_);
        tiff_ = nullptr;
        return flushed;
    }

private:
    TIFF* tiff_ = nullptr;
};

bool Encode(TIFF* tiff, const Dib& dib, LoadProgress& progress) {
    const BitmapInfoHeader& header = dib.info->bmiHeader;
    const auto width = static_cast<uint32_t>(header.biWidth);
    const auto height = static_cast<uint32_t>(header.biHeight);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    const std::size_t rowBytes = std::size_t{width} * 3;
    std::vector<uint8_t> row(rowBytes);
    for (uint32_t y = 0; y < height; ++y) {
        EncodeTrueColourRow(dib, static_cast<int32_t>(height - 1 - y), row.data(), rowBytes);
        for (std::size_t x = 0; x < rowBytes; x += 3) {
            std::swap(row[x], row[x + 2]);  // blue, green, red to red, green, blue
        }
        if (TIFFWriteScanline(tiff, row.data(), y, 0) != 1) {
            return false;
        }
        progress.report(int64_t{y} + 1, height);
    }
    return true;
}

}  // namespace

bool EncodeTiff(const Dib& dib, FileSink& sink, LoadProgress& progress, std::string& reason) {
    MemoryOutput output;
    bool encoded = false;
    {
        TiffEncoder encoder(output);
        encoded =
            encoder.get() != nullptr && Encode(encoder.get(), dib, progress) && encoder.close();
    }
    if (!encoded) {
        reason = output.message[0] != '\0' ? "TIFF encoder: " + std::string(output.message)
                                           : "TIFF encoder failed";
        return false;
    }
    if (!sink.write(output.bytes.data(), output.bytes.size()) || !sink.flush()) {
        reason = sink.reason();
        return false;
    }
    return true;
}

}  // namespace grimora
