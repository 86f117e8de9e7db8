// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/tiff_reader.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include <tiffio.h>

#include "picture/picture_limits.h"
#include "picture/tiff_tags.h"

namespace grimora {

namespace {

// libtiff's own allocations (strip and tile buffers) stay below this.
constexpr tmsize_t kMaxSingleAllocation = tmsize_t{1} << 30;
// Pixels converted to RGBA at a time: bounds that buffer.
constexpr int64_t kRasterPixels = int64_t{4} << 20;

// Decoding is refused past this many bytes out of the decoder per pixel of
// the picture (four 16-bit samples take 8), counting each strip or tile as
// kUnitBytes more for what setting it up costs, and counting a picture of
// fewer pixels than kSmallPicture as one of that many. A plain file needs a
// fraction of it; a file whose tiles reach far past the picture, or that is
// cut into absurdly many pieces, needs more.
constexpr double kBytesPerPixel = 12;
constexpr double kUnitBytes = 4096;
constexpr double kSmallPicture = double{1 << 20};

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
    // The first warning that means pixels would be made up: libtiff warns of
    // data that it cannot decode whole and carries on without it.
    char damage[200] = {};
    bool decoding = false;  // pixels are being decoded
};

// The first error is the one that names the fault; later ones follow from it.
void Record(char (&slot)[200], const char* module, const char* text) {
    if (slot[0] == '\0') {
        // The module is a function's name, or the name the file was opened under.
        const bool named = module != nullptr && std::strcmp(module, kOpenName) != 0;
        std::snprintf(slot, sizeof slot, "%s%s%s", named ? module : "", named ? ": " : "", text);
    }
}

int ErrorHandler(TIFF*, void* user, const char* module, const char* format, va_list arguments) {
    char text[160];
    std::vsnprintf(text, sizeof text, format, arguments);
    Record(static_cast<TiffErrors*>(user)->message, module, text);
    return 1;
}

// Warnings while decoding that leave every pixel as the file has it: bytes
// between a JPEG strip's markers and other odd but whole JPEG data, and the
// note that every old-style JPEG file gets.
bool Harmless(const char* text) {
    for (const char* known : {"extraneous bytes before marker", "unknown JFIF revision",
                              "Unknown Adobe color transform", "bad ICC marker",
                              "Invalid SOS parameters for sequential JPEG",
                              "Deprecated and troublesome old-style JPEG"}) {
        if (std::strstr(text, known) != nullptr) {
            return true;
        }
    }
    return false;
}

// Warnings while the directory is read (an unknown tag, say) are noted and
// forgotten, except that of byte counts which libtiff finds wrong and
// replaces by a guess, reading each strip's rows from wherever the guess
// reaches. A missing count is guessed as well, but then nothing in the file
// says otherwise, and a strip that the guess makes too short fails to read.
int WarningHandler(TIFF*, void* user, const char* module, const char* format, va_list arguments) {
    auto* errors = static_cast<TiffErrors*>(user);
    char text[160];
    std::vsnprintf(text, sizeof text, format, arguments);
    const bool guessedCounts = std::strstr(text, "calculating from imagelength") != nullptr &&
                               std::strstr(text, "missing required") == nullptr;
    if ((errors->decoding && !Harmless(text)) || guessedCounts) {
        Record(errors->damage, module, text);
    }
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
        if (!TiffTagDataFits(file, 1)) {
            std::snprintf(errors_.damage, sizeof errors_.damage,
                          "its tags point at more data than the file holds");
            return;
        }
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (options == nullptr) {
            return;
        }
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxSingleAllocation);
        TIFFOpenOptionsSetErrorHandlerExtR(options, ErrorHandler, &errors_);
        TIFFOpenOptionsSetWarningHandlerExtR(options, WarningHandler, &errors_);
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
        if (damaged()) {
            return "The TIFF file is damaged: " + std::string(errors_.damage) + ".";
        }
        return fallback != nullptr ? fallback : "The TIFF file cannot be read.";
    }
    void startDecoding() { errors_.decoding = true; }
    bool damaged() const { return errors_.damage[0] != '\0'; }

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
bool ReadPalette(TIFF* tiff, TiffDecoder& decoder, const TiffHeader& header, OwnedDib& picture,
                 std::string& error, LoadProgress& progress) {
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
    decoder.startDecoding();
    progress.report(0, height);
    for (int32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tiff, line.data(), static_cast<uint32_t>(y), 0) < 0 ||
            decoder.damaged()) {
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

// libtiff's RGBA rows of grey and alpha stored together give 8-bit grey as
// stored, premultiplied or not, and drop the alpha of 16-bit grey: both are
// made premultiplied RGBA here, from the stored alpha, the grey's second
// sample as libtiff takes it.
void TakeGreyAlpha(const TIFFRGBAImage& rgba, const uint8_t* stored, std::size_t rowBytes,
                   uint32_t* raster, uint32_t width, uint32_t rows) {
    const bool wide = rgba.bitspersample == 16;
    const std::size_t step = std::size_t{rgba.samplesperpixel} * (wide ? 2 : 1);
    for (uint32_t i = 0; i < rows; ++i) {
        const uint8_t* pixel = stored + i * rowBytes;
        uint32_t* out = raster + std::size_t{i} * width;
        for (uint32_t j = 0; j < width; ++j, pixel += step) {
            uint32_t a = pixel[1];
            if (wide) {
                uint16_t word = 0;  // in the host's order, as libtiff gives it
                std::memcpy(&word, pixel + 2, sizeof word);
                a = word >> 8u;
            }
            uint32_t grey = TIFFGetR(out[j]);
            if (rgba.alpha == EXTRASAMPLE_UNASSALPHA) {
                grey = (grey * a + 127) / 255;
            }
            out[j] = grey | grey << 8u | grey << 16u | a << 24u;
        }
    }
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
        begun_ = TIFFRGBAImageBegin(&image_, tiff, 1, message) != 0;
        return begun_;
    }
    TIFFRGBAImage& get() { return image_; }

private:
    TIFFRGBAImage image_;
    bool begun_ = false;
};

// How the picture's data is cut up: strips, which span its width, or tiles.
// Each piece is decoded once, and only down to the picture's last row.
struct Layout {
    bool tiled = false;
    uint32_t width = 0;   // of a piece: the tile width, or the picture's
    uint32_t length = 0;  // tile length or rows per strip, at most the picture's height
    uint32_t across = 1;  // pieces across the picture
    int planes = 1;       // planes decoded for each piece: 1 unless stored separately
    // Rows decoded together: the vertical subsampling of YCbCr data that
    // libtiff does not turn into RGB itself.
    uint32_t rowGroup = 1;
    // Subsampled tiles are decoded whole: their rows cannot be counted out.
    bool wholeTiles = false;
};

Layout LayoutOf(TIFF* tiff, const TiffHeader& header, int planes, bool subsampled) {
    Layout layout;
    layout.tiled = TIFFIsTiled(tiff) != 0;
    layout.planes = planes;
    if (layout.tiled) {
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &layout.width);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &layout.length);
    } else {
        layout.width = header.width;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &layout.length);
    }
    layout.width = std::max<uint32_t>(layout.width, 1);
    layout.length = std::clamp<uint32_t>(layout.length, 1, header.height);
    layout.across =
        static_cast<uint32_t>((int64_t{header.width} + layout.width - 1) / layout.width);
    if (subsampled) {
        uint16_t horizontal = 1;
        uint16_t vertical = 1;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_YCBCRSUBSAMPLING, &horizontal, &vertical);
        layout.rowGroup = std::max<uint16_t>(vertical, 1);
        layout.wholeTiles = layout.tiled;
    }
    return layout;
}

// Bytes of the first `rows` rows of a decoded piece; libtiff counts
// subsampled rows in whole groups.
uint64_t RowBytes(TIFF* tiff, const Layout& layout, uint32_t rows) {
    if (rows == 0) {
        return 0;
    }
    return layout.tiled ? TIFFVTileSize64(tiff, rows) : TIFFVStripSize64(tiff, rows);
}

// Bytes to decode for the first `rows` rows of a piece: whole groups of
// subsampled rows, or whole tiles.
uint64_t DecodedBytes(TIFF* tiff, const Layout& layout, uint32_t rows) {
    if (layout.wholeTiles) {
        return TIFFTileSize64(tiff);
    }
    return RowBytes(tiff, layout, (rows + layout.rowGroup - 1) / layout.rowGroup * layout.rowGroup);
}

// jbigkit takes memory for the picture that a JBIG stream's own header
// declares, and ends the program when it cannot have it: each piece that is
// to be decoded must declare one plane no wider than the piece and no
// longer than the picture.
bool CheckJbigHeaders(TIFF* tiff, const TiffHeader& header, const Layout& layout,
                      std::string& error) {
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    if (compression != COMPRESSION_JBIG) {
        return true;
    }
    // In a file of the usual fill order libtiff's writer stores the stream
    // with each byte's bits reversed, and its reader turns them back.
    uint16_t fillOrder = FILLORDER_MSB2LSB;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_FILLORDER, &fillOrder);
    const bool reversed = fillOrder == FILLORDER_MSB2LSB;
    // libtiff's writer declares the whole picture's rows in its one strip;
    // tiles are whole multiples of 16 rows.
    const uint32_t mostRows = layout.tiled ? (header.height + 15) / 16 * 16 : header.height;
    const auto be32 = [](const uint8_t* p) {
        return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
    };
    for (uint32_t top = 0; top < header.height; top += layout.length) {
        for (uint32_t column = 0; column < layout.across; ++column) {
            for (int plane = 0; plane < layout.planes; ++plane) {
                const auto sample = static_cast<uint16_t>(plane);
                const uint32_t piece =
                    layout.tiled ? TIFFComputeTile(tiff, column * layout.width, top, 0, sample)
                                 : TIFFComputeStrip(tiff, top, sample);
                uint8_t head[20];
                const tmsize_t got = layout.tiled
                                         ? TIFFReadRawTile(tiff, piece, head, sizeof head)
                                         : TIFFReadRawStrip(tiff, piece, head, sizeof head);
                // A shorter piece declares nothing; its decoding fails.
                if (got < static_cast<tmsize_t>(sizeof head)) {
                    continue;
                }
                if (reversed) {
                    TIFFReverseBits(head, sizeof head);
                }
                const uint32_t planes = head[2];
                const uint32_t width = be32(head + 4);
                const uint32_t rows = be32(head + 8);
                if (planes != 1 || width > layout.width || rows > mostRows) {
                    error = "The TIFF file is damaged: its " +
                            std::string(layout.tiled ? "tile " : "strip ") + std::to_string(piece) +
                            " declares a JBIG picture of " + PixelSizeText(width, rows) +
                            " pixels in " + std::to_string(planes) +
                            (planes == 1 ? " plane" : " planes") + "; the picture is " +
                            PixelSizeText(header.width, header.height) + ".";
                    return false;
                }
            }
        }
    }
    return true;
}

// No tile need be wider than the largest picture; libtiff and the
// conversion to RGBA take memory for a whole row of one.
constexpr uint32_t kMostTileWidth = (uint32_t{kMaxPictureSide} + 15) / 16 * 16;

// Refuses, before anything is decoded, a file whose pieces would take far
// more decoding than a plain file of the picture's size.
bool CheckDecodingWork(TIFF* tiff, const TiffHeader& header, const Layout& layout,
                       std::string& error) {
    double decoded = 0;
    double pieces = 0;
    for (uint32_t top = 0; top < header.height; top += layout.length) {
        const uint32_t rows = std::min(layout.length, header.height - top);
        decoded +=
            static_cast<double>(DecodedBytes(tiff, layout, rows)) * layout.across * layout.planes;
        pieces += static_cast<double>(layout.across) * layout.planes;
    }
    const double pixels = static_cast<double>(header.width) * header.height;
    const double work = decoded + pieces * kUnitBytes;
    const bool tooWide = layout.tiled && layout.width > kMostTileWidth;
    if (!tooWide && work <= kBytesPerPixel * std::max(pixels, kSmallPicture)) {
        return CheckJbigHeaders(tiff, header, layout, error);
    }
    const std::string size = PixelSizeText(header.width, header.height);
    const double coveredWidth = static_cast<double>(layout.across) * layout.width;
    char why[160];
    if (tooWide || (layout.tiled && coveredWidth >= 2.0 * header.width)) {
        std::snprintf(why, sizeof why, "its tiles are %u pixels wide", layout.width);
    } else if (pieces * kUnitBytes >= decoded) {
        std::snprintf(why, sizeof why, "it is cut into %.0f %s", pieces,
                      layout.tiled ? "tiles" : "strips");
    } else {
        std::snprintf(why, sizeof why, "it stores %.0f bytes for each pixel", decoded / pixels);
    }
    error = "The TIFF file would take far more decoding than a picture of " + size +
            " pixels needs: " + why + ".";
    return false;
}

struct Target {
    const Dib* dib;
    bool grey;
    bool bottomUp;
    bool rightToLeft;
};

// One row of RGBA composed over white into `dest`, the place of its first
// pixel, going on to the right, or to the left for a file stored right to
// left; a branch-free loop for each case, which the compiler vectorises.
template <bool kGrey, bool kLeftwards>
void PlaceRow(const uint32_t* source, uint8_t* dest, uint32_t width) {
    constexpr std::ptrdiff_t kBytes = kGrey ? 1 : 3;
    for (uint32_t j = 0; j < width; ++j) {
        const uint32_t p = source[j];
        const uint32_t a = TIFFGetA(p);
        const std::ptrdiff_t x = kLeftwards ? -std::ptrdiff_t{j} : std::ptrdiff_t{j};
        if constexpr (kGrey) {
            dest[x] = OverWhite(TIFFGetR(p), a);
        } else {
            dest[kBytes * x] = OverWhite(TIFFGetB(p), a);
            dest[kBytes * x + 1] = OverWhite(TIFFGetG(p), a);
            dest[kBytes * x + 2] = OverWhite(TIFFGetR(p), a);
        }
    }
}

// Rows of RGBA, `stride` pixels long, from the file's row `fileRow` on:
// their first `width` pixels, from column `left`, composed over white into
// the picture.
void Place(const Target& target, const uint32_t* raster, std::size_t stride, uint32_t fileRow,
           uint32_t rows, uint32_t left, uint32_t width) {
    const int32_t height = target.dib->info->bmiHeader.biHeight;
    const int32_t pictureWidth = target.dib->info->bmiHeader.biWidth;
    const int32_t first = target.rightToLeft ? pictureWidth - 1 - static_cast<int32_t>(left)
                                             : static_cast<int32_t>(left);
    const auto place = target.grey
                           ? (target.rightToLeft ? PlaceRow<true, true> : PlaceRow<true, false>)
                           : (target.rightToLeft ? PlaceRow<false, true> : PlaceRow<false, false>);
    for (uint32_t i = 0; i < rows; ++i) {
        const auto r = static_cast<int32_t>(fileRow + i);
        // Counted from the bottom in a bottom-up file, as memory rows are.
        uint8_t* row = DibRow(*target.dib, target.bottomUp ? r : height - 1 - r);
        place(raster + i * stride, row + first * (target.grey ? 1 : 3), width);
    }
}

// The RGBA reading of libtiff, driven piece by piece: libtiff's own reads
// bands of rows and decodes again every strip or tile that a band cuts, and
// decodes tiles whole, below the picture too. Here each is decoded once, to
// the picture's last row, and its conversion to RGBA is libtiff's own.
bool ReadRgba(TIFF* tiff, TiffDecoder& decoder, const TiffHeader& header, OwnedDib& picture,
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
    TIFFRGBAImage& rgba = image.get();
    // As libtiff's own reading of separate planes: one plane of grey or
    // palette values or three of colour, and a fourth for alpha (or black).
    const bool oneChannel = rgba.photometric == PHOTOMETRIC_MINISWHITE ||
                            rgba.photometric == PHOTOMETRIC_MINISBLACK ||
                            rgba.photometric == PHOTOMETRIC_PALETTE;
    const int channels = oneChannel ? 1 : 3;
    const int planes = rgba.isContig ? 1 : channels + (rgba.alpha != 0 ? 1 : 0);
    // A file may declare its only sample an extra one: no alpha to take then.
    const bool greyAlpha = rgba.isContig && rgba.alpha != 0 && rgba.samplesperpixel >= 2 &&
                           rgba.photometric != PHOTOMETRIC_PALETTE && oneChannel &&
                           (rgba.bitspersample == 8 || rgba.bitspersample == 16);
    // YCbCr left as it is (not turned into RGB by the JPEG decoder) comes in
    // groups of subsampled rows.
    const Layout layout = LayoutOf(tiff, header, planes, rgba.photometric == PHOTOMETRIC_YCBCR);
    if (!CheckDecodingWork(tiff, header, layout, error)) {
        return false;
    }
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
    const uint16_t orientation = OrientationOf(tiff);
    const Target target{&made.get(), grey, StoredBottomUp(orientation),
                        StoredRightToLeft(orientation)};
    const auto pieceBytes = static_cast<std::size_t>(DecodedBytes(tiff, layout, layout.length));
    // Left unfilled: only decoded bytes are read, so a header that claims
    // far more than its file holds costs little more than what it decodes.
    std::vector<std::unique_ptr<uint8_t[]>> buffers;
    for (int plane = 0; plane < planes; ++plane) {
        buffers.push_back(std::make_unique_for_overwrite<uint8_t[]>(pieceBytes));
    }
    // Rows converted at a time: whole groups, the raster bounded.
    const uint32_t chunk = std::max(
        layout.rowGroup,
        static_cast<uint32_t>(std::min<int64_t>(layout.length, kRasterPixels / layout.width)) /
            layout.rowGroup * layout.rowGroup);
    std::vector<uint32_t> raster(std::size_t{chunk} * layout.width);

    decoder.startDecoding();
    const int64_t total = int64_t{header.height} * layout.across;
    progress.report(0, total);
    for (uint32_t top = 0; top < header.height; top += layout.length) {
        const uint32_t rows = std::min(layout.length, header.height - top);
        const uint64_t wanted = DecodedBytes(tiff, layout, rows);
        for (uint32_t column = 0; column < layout.across; ++column) {
            const uint32_t left = column * layout.width;
            for (int plane = 0; plane < planes; ++plane) {
                uint8_t* buffer = buffers[static_cast<std::size_t>(plane)].get();
                const auto sample = static_cast<uint16_t>(plane);
                const tmsize_t size =
                    layout.wholeTiles
                        ? -1
                        : static_cast<tmsize_t>(std::min<uint64_t>(wanted, pieceBytes));
                const tmsize_t got =
                    layout.tiled
                        ? TIFFReadEncodedTile(tiff, TIFFComputeTile(tiff, left, top, 0, sample),
                                              buffer, size)
                        : TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, top, sample), buffer,
                                               size);
                if (got < 0 ||
                    static_cast<uint64_t>(got) < std::min<uint64_t>(wanted, pieceBytes) ||
                    decoder.damaged()) {
                    error = decoder.message();
                    return false;
                }
            }
            // Converted across the whole piece and cut here: libtiff's own
            // cutting at the picture's right edge skips too little in 16-bit
            // grey rows.
            const uint32_t width = std::min(layout.width, header.width - left);
            for (uint32_t done = 0; done < rows; done += chunk) {
                const uint32_t now = std::min(chunk, rows - done);
                const auto at = static_cast<std::size_t>(RowBytes(tiff, layout, done));
                uint8_t* p0 = buffers[0].get() + at;
                if (rgba.isContig) {
                    rgba.put.contig(&rgba, raster.data(), 0, 0, layout.width, now, 0, 0, p0);
                    if (greyAlpha) {
                        TakeGreyAlpha(rgba, p0, static_cast<std::size_t>(RowBytes(tiff, layout, 1)),
                                      raster.data(), layout.width, now);
                    }
                } else {
                    uint8_t* p1 = channels == 1 ? p0 : buffers[1].get() + at;
                    uint8_t* p2 = channels == 1 ? p0 : buffers[2].get() + at;
                    uint8_t* pa = rgba.alpha != 0
                                      ? buffers[static_cast<std::size_t>(channels)].get() + at
                                      : nullptr;
                    rgba.put.separate(&rgba, raster.data(), 0, 0, layout.width, now, 0, 0, p0, p1,
                                      p2, pa);
                }
                Place(target, raster.data(), layout.width, top + done, now, left, width);
                progress.report(int64_t{top} * layout.across + int64_t{rows} * column + done + now,
                                total);
            }
        }
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
    if (decoder.damaged()) {
        error = decoder.message();
        return false;
    }
    TIFF* tiff = decoder.get();
    const bool stripPalette = header.photometric == PHOTOMETRIC_PALETTE && header.samples == 1 &&
                              (header.bitsPerSample == 1 || header.bitsPerSample == 2 ||
                               header.bitsPerSample == 4 || header.bitsPerSample == 8) &&
                              TIFFIsTiled(tiff) == 0 && !StoredRightToLeft(OrientationOf(tiff));
    if (!stripPalette) {
        return ReadRgba(tiff, decoder, header, picture, error, progress);
    }
    return CheckDecodingWork(tiff, header, LayoutOf(tiff, header, 1, false), error) &&
           ReadPalette(tiff, decoder, header, picture, error, progress);
}

}  // namespace grimora
