// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/tiff_reader.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include <tiffio.h>

namespace grimora {

namespace {

// libtiff's own allocations (strip and tile buffers) stay below this.
constexpr tmsize_t kMaxSingleAllocation = tmsize_t{1} << 30;
// Rows converted at a time by the RGBA reading: bounds its buffer.
constexpr int64_t kBandBytes = int64_t{64} << 20;

constexpr const char* kOpenName = "picture";

struct MemoryFile {
    std::span<const uint8_t> file;
    uint64_t at = 0;
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
    auto* input = static_cast<MemoryFile*>(handle);
    if (size <= 0 || input->at >= input->file.size()) {
        return 0;
    }
    const uint64_t n =
        std::min<uint64_t>(static_cast<uint64_t>(size), input->file.size() - input->at);
    std::memcpy(buffer, input->file.data() + input->at, n);
    input->at += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* input = static_cast<MemoryFile*>(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) {
        base = input->at;
    } else if (whence == SEEK_END) {
        base = input->file.size();
    }
    if (offset > UINT64_MAX - base) {
        return static_cast<toff_t>(-1);
    }
    input->at = base + offset;
    return input->at;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t handle) {
    return static_cast<MemoryFile*>(handle)->file.size();
}

int MapProc(thandle_t handle, void** base, toff_t* size) {
    auto* input = static_cast<MemoryFile*>(handle);
    *base = const_cast<uint8_t*>(input->file.data());
    *size = input->file.size();
    return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

struct TiffErrors {
    char message[200] = {};
};

// The first error is the one that names the fault; later ones follow from it.
int ErrorHandler(TIFF*, void* user, const char* module, const char* format, va_list arguments) {
    auto* errors = static_cast<TiffErrors*>(user);
    if (errors->message[0] == '\0') {
        char text[160];
        std::vsnprintf(text, sizeof text, format, arguments);
        // The module is a function's name, or the name the file was opened under.
        const bool named = module != nullptr && std::strcmp(module, kOpenName) != 0;
        std::snprintf(errors->message, sizeof errors->message, "%s%s%s", named ? module : "",
                      named ? ": " : "", text);
    }
    return 1;
}

int WarningHandler(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

// Messages that libtiff sends before a file is open go to its global
// handlers, which would print them; Grimora has no terminal to print to.
void SilenceGlobalHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

class TiffDecoder {
public:
    explicit TiffDecoder(std::span<const uint8_t> file) : input_{file} {
        SilenceGlobalHandlers();
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (options == nullptr) {
            return;
        }
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxSingleAllocation);
        TIFFOpenOptionsSetErrorHandlerExtR(options, ErrorHandler, &errors_);
        TIFFOpenOptionsSetWarningHandlerExtR(options, WarningHandler, nullptr);
        tiff_ = TIFFClientOpenExt(kOpenName, "r", &input_, ReadProc, WriteProc, SeekProc, CloseProc,
                                  SizeProc, MapProc, UnmapProc, options);
        TIFFOpenOptionsFree(options);
    }
    ~TiffDecoder() {
        if (tiff_ != nullptr) {
            TIFFClose(tiff_);
        }
    }
    TiffDecoder(const TiffDecoder&) = delete;
    TiffDecoder& operator=(const TiffDecoder&) = delete;

    TIFF* get() const { return tiff_; }
    std::string message(const char* fallback = nullptr) const {
        if (errors_.message[0] != '\0') {
            return "The TIFF file cannot be read: " + std::string(errors_.message) + ".";
        }
        return fallback != nullptr ? fallback : "The TIFF file cannot be read.";
    }

private:
    MemoryFile input_;
    TiffErrors errors_;
    TIFF* tiff_ = nullptr;
};

struct TiffHeader {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t samples = 1;
    uint16_t bitsPerSample = 1;
    uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    uint16_t extraSamples = 0;
};

bool ReadHeader(TiffDecoder& decoder, TiffHeader& header, std::string& error) {
    TIFF* tiff = decoder.get();
    if (tiff == nullptr) {
        error = decoder.message("The TIFF file cannot be opened.");
        return false;
    }
    if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &header.width) != 1 ||
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &header.height) != 1) {
        error = "The TIFF file does not give the picture's size.";
        return false;
    }
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &header.samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &header.bitsPerSample);
    if (TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &header.photometric) != 1) {
        header.photometric = header.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    }
    uint16_t* kinds = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &header.extraSamples, &kinds);
    return CheckPictureSize(header.width, header.height, error);
}

bool IsGrey(const TiffHeader& header) {
    return (header.photometric == PHOTOMETRIC_MINISBLACK ||
            header.photometric == PHOTOMETRIC_MINISWHITE) &&
           header.samples - header.extraSamples == 1;
}

uint16_t OrientationOf(TIFF* tiff) {
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
    return orientation;
}

// Whether the file stores its bottom row first, or its rows right to left
// (libtiff reads the rotated orientations as their unrotated neighbours).
bool StoredBottomUp(uint16_t orientation) {
    return orientation == ORIENTATION_BOTLEFT || orientation == ORIENTATION_BOTRIGHT ||
           orientation == ORIENTATION_LEFTBOT || orientation == ORIENTATION_RIGHTBOT;
}

bool StoredRightToLeft(uint16_t orientation) {
    return orientation == ORIENTATION_TOPRIGHT || orientation == ORIENTATION_BOTRIGHT ||
           orientation == ORIENTATION_RIGHTTOP || orientation == ORIENTATION_RIGHTBOT;
}

// Palette pictures in strips stored left to right: the indices as they are,
// and the colour map.
bool ReadPalette(TIFF* tiff, const TiffDecoder& decoder, const TiffHeader& header,
                 OwnedDib& picture, std::string& error, LoadProgress& progress) {
    const int depth = header.bitsPerSample;
    const int entries = 1 << depth;
    uint16_t* red = nullptr;
    uint16_t* green = nullptr;
    uint16_t* blue = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue) != 1) {
        error = "The TIFF palette picture has no colour map.";
        return false;
    }
    // Some writers store 8-bit values in the 16-bit map; others scale by
    // 256 or by 257, which the top byte reads alike.
    bool eightBit = true;
    for (int i = 0; i < entries; ++i) {
        eightBit = eightBit && red[i] < 256 && green[i] < 256 && blue[i] < 256;
    }
    auto scale = [&](uint16_t v) { return static_cast<uint8_t>(eightBit ? v : v >> 8); };
    BitmapInfo colours;
    for (int i = 0; i < entries; ++i) {
        colours.bmiColors[i] = RgbQuad{scale(blue[i]), scale(green[i]), scale(red[i]), 0};
    }
    const int bitCount = depth == 2 ? 4 : depth;
    OwnedDib made;
    if (!MakeLoadedPicture(made, header.width, header.height, bitCount, &colours, entries, error)) {
        return false;
    }
    const tmsize_t lineSize = TIFFScanlineSize(tiff);
    const int64_t needed = (int64_t{header.width} * depth + 7) / 8;
    if (lineSize < needed) {
        error = "The TIFF picture's rows are shorter than its width.";
        return false;
    }
    std::vector<uint8_t> line(static_cast<std::size_t>(lineSize));
    const auto height = static_cast<int32_t>(header.height);
    const bool bottomUp = StoredBottomUp(OrientationOf(tiff));
    progress.report(0, height);
    for (int32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tiff, line.data(), static_cast<uint32_t>(y), 0) < 0) {
            error = decoder.message();
            return false;
        }
        uint8_t* row = DibRow(made.get(), bottomUp ? y : height - 1 - y);
        if (depth == 2) {
            for (uint32_t x = 0; x < header.width; ++x) {
                const unsigned index = (line[x / 4] >> (6 - 2 * (x % 4))) & 3u;
                row[x / 2] = static_cast<uint8_t>(x % 2 == 0 ? index << 4 : row[x / 2] | index);
            }
        } else {
            std::memcpy(row, line.data(), static_cast<std::size_t>(needed));
        }
        progress.report(y + 1, height);
    }
    picture = std::move(made);
    return true;
}

// libtiff's RGBA colour is premultiplied by alpha, so over white it is
// c + (255 − a).
uint8_t OverWhite(uint32_t colour, uint32_t alpha) {
    return static_cast<uint8_t>(std::min<uint32_t>(255, colour + (255 - alpha)));
}

class RgbaImage {
public:
    RgbaImage() { std::memset(&image_, 0, sizeof image_); }
    ~RgbaImage() {
        if (begun_) {
            TIFFRGBAImageEnd(&image_);
        }
    }
    RgbaImage(const RgbaImage&) = delete;
    RgbaImage& operator=(const RgbaImage&) = delete;

    bool begin(TIFF* tiff, char (&message)[1024]) {
        begun_ = TIFFRGBAImageBegin(&image_, tiff, 0, message) != 0;
        return begun_;
    }
    TIFFRGBAImage& get() { return image_; }

private:
    TIFFRGBAImage image_;
    bool begun_ = false;
};

bool ReadRgba(TIFF* tiff, const TiffDecoder& decoder, const TiffHeader& header, OwnedDib& picture,
              std::string& error, LoadProgress& progress) {
    char message[1024] = {};
    if (TIFFRGBAImageOK(tiff, message) == 0) {
        error = "Grimora cannot read this TIFF picture: " + std::string(message) + ".";
        return false;
    }
    RgbaImage image;
    if (!image.begin(tiff, message)) {
        error = decoder.message(
            ("Grimora cannot read this TIFF picture: " + std::string(message) + ".").c_str());
        return false;
    }
    // Each band of rows is read in the file's row order and only flipped
    // within itself, so the band's rows are asked for in the file's vertical
    // order and put where they belong here; only left and right are left to
    // libtiff.
    const bool bottomUp = StoredBottomUp(OrientationOf(tiff));
    image.get().req_orientation = bottomUp ? ORIENTATION_BOTLEFT : ORIENTATION_TOPLEFT;
    const bool grey = IsGrey(header);
    BitmapInfo colours;
    if (grey) {
        FillGreyColours(colours);
    }
    OwnedDib made;
    if (!MakeLoadedPicture(made, header.width, header.height, grey ? 8 : 24,
                           grey ? &colours : nullptr, grey ? kMaxColours : 0, error)) {
        return false;
    }
    const auto width = static_cast<int32_t>(header.width);
    const auto height = static_cast<int32_t>(header.height);
    // Bands of whole strips or tiles, so that none is decoded twice unless
    // it alone is larger than a band; about fifty of them, for the progress.
    uint32_t unit = 0;
    if (TIFFIsTiled(tiff)) {
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &unit);
    } else {
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &unit);
    }
    const int64_t maxRows = std::max<int64_t>(1, kBandBytes / (int64_t{width} * 4));
    int64_t band = std::clamp<int64_t>(unit, 1, height);
    if (band > maxRows) {
        band = maxRows;
    } else {
        const int64_t wanted = std::min<int64_t>(maxRows, (height + 49) / 50);
        band = std::max<int64_t>(band, wanted / band * band);
    }
    std::vector<uint32_t> raster(static_cast<std::size_t>(band) * static_cast<std::size_t>(width));
    progress.report(0, height);
    for (int32_t top = 0; top < height;) {
        const auto rows = static_cast<int32_t>(std::min<int64_t>(band, height - top));
        image.get().row_offset = top;
        image.get().col_offset = 0;
        if (TIFFRGBAImageGet(&image.get(), raster.data(), header.width,
                             static_cast<uint32_t>(rows)) == 0) {
            error = decoder.message();
            return false;
        }
        for (int32_t i = 0; i < rows; ++i) {
            const uint32_t* source = raster.data() + static_cast<std::size_t>(i) * width;
            // File row top + i: counted from the bottom in a bottom-up file,
            // as memory rows are.
            uint8_t* row = DibRow(made.get(), bottomUp ? top + i : height - 1 - (top + i));
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t p = source[x];
                const uint32_t a = TIFFGetA(p);
                if (grey) {
                    row[x] = OverWhite(TIFFGetR(p), a);
                } else {
                    row[3 * x] = OverWhite(TIFFGetB(p), a);
                    row[3 * x + 1] = OverWhite(TIFFGetG(p), a);
                    row[3 * x + 2] = OverWhite(TIFFGetR(p), a);
                }
            }
        }
        top += rows;
        progress.report(top, height);
    }
    picture = std::move(made);
    return true;
}

}  // namespace

bool IsTiffFile(std::span<const uint8_t> file) {
    if (file.size() < 4) {
        return false;
    }
    const uint8_t* p = file.data();
    return (p[0] == 'I' && p[1] == 'I' && (p[2] == 42 || p[2] == 43) && p[3] == 0) ||
           (p[0] == 'M' && p[1] == 'M' && p[2] == 0 && (p[3] == 42 || p[3] == 43));
}

bool MeasureTiff(std::span<const uint8_t> file, PictureSize& size) {
    TiffDecoder decoder(file);
    TiffHeader header;
    std::string error;
    if (!ReadHeader(decoder, header, error)) {
        return false;
    }
    size = {header.width, header.height};
    return true;
}

bool ReadTiff(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
              LoadProgress& progress) {
    TiffDecoder decoder(file);
    TiffHeader header;
    if (!ReadHeader(decoder, header, error)) {
        return false;
    }
    TIFF* tiff = decoder.get();
    const bool stripPalette = header.photometric == PHOTOMETRIC_PALETTE && header.samples == 1 &&
                              (header.bitsPerSample == 1 || header.bitsPerSample == 2 ||
                               header.bitsPerSample == 4 || header.bitsPerSample == 8) &&
                              TIFFIsTiled(tiff) == 0 && !StoredRightToLeft(OrientationOf(tiff));
    return stripPalette ? ReadPalette(tiff, decoder, header, picture, error, progress)
                        : ReadRgba(tiff, decoder, header, picture, error, progress);
}

}  // namespace grimora
