// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/png_reader.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <png.h>

namespace grimora {

// libpng reports a fatal error by calling the error function, which must not
// return. Ours longjmps back to Guarded(), the only function that calls
// setjmp; between the two are libpng's frames and the step functions', whose
// locals are all trivially destructible. PngDecoder frees libpng's structures.

namespace {

// Ancillary chunks are skipped unread (see StartReading); this bounds any
// that libpng still keeps.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t{8} << 20;
constexpr png_uint_32 kMaxCachedChunks = 1000;

struct PngInput {
    std::span<const uint8_t> file;
    std::size_t at = 0;
};

struct PngErrors {
    char message[200];
    char warning[200];  // the first; libpng warns of the detail of some errors
};

[[noreturn]] void ErrorFunction(png_structp png, png_const_charp message) {
    auto* errors = static_cast<PngErrors*>(png_get_error_ptr(png));
    std::snprintf(errors->message, sizeof errors->message, "%s", message);
    png_longjmp(png, 1);
}

void WarningFunction(png_structp png, png_const_charp message) {
    auto* errors = static_cast<PngErrors*>(png_get_error_ptr(png));
    if (errors->warning[0] == '\0') {
        std::snprintf(errors->warning, sizeof errors->warning, "%s", message);
    }
}

void ReadFunction(png_structp png, png_bytep data, png_size_t length) {
    auto* input = static_cast<PngInput*>(png_get_io_ptr(png));
    if (input->file.size() - input->at < length) {
        png_error(png, "the file ends early");
    }
    std::memcpy(data, input->file.data() + input->at, length);
    input->at += length;
}

class PngDecoder {
public:
    explicit PngDecoder(std::span<const uint8_t> file) : input_{file} {
        errors_.message[0] = '\0';
        errors_.warning[0] = '\0';
        png_ =
            png_create_read_struct(PNG_LIBPNG_VER_STRING, &errors_, ErrorFunction, WarningFunction);
        if (png_ != nullptr) {
            info_ = png_create_info_struct(png_);
        }
    }
    ~PngDecoder() {
        if (png_ != nullptr) {
            png_destroy_read_struct(&png_, info_ != nullptr ? &info_ : nullptr, nullptr);
        }
    }
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;

    bool ready() const { return png_ != nullptr && info_ != nullptr; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }
    PngInput& input() { return input_; }
    std::string message() const {
        std::string text = errors_.message;
        if (text.empty()) {
            return "The PNG file cannot be read.";
        }
        if (text == "the file ends early") {
            return "The PNG file ends early.";
        }
        if (text == "Invalid IHDR data" && errors_.warning[0] != '\0') {
            text = errors_.warning;  // which field is invalid
        }
        return "The PNG file cannot be read: " + text + ".";
    }

private:
    PngInput input_;
    PngErrors errors_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

using Step = void (*)(png_structp png, png_infop info, void* context);

bool Guarded(PngDecoder& decoder, Step step, void* context) {
    if (setjmp(png_jmpbuf(decoder.png())) != 0) {
        return false;
    }
    step(decoder.png(), decoder.info(), context);
    return true;
}

void StartReading(png_structp png, png_infop info, void* context) {
    png_set_read_fn(png, context, ReadFunction);
    png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_chunk_cache_max(png, kMaxCachedChunks);
    // Only IHDR, PLTE, tRNS, IDAT and IEND make the picture. libpng would
    // allocate a text chunk's declared length before reading it, whatever
    // the file holds; skipped chunks are read past in small pieces.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);
}

bool ReadHeader(PngDecoder& decoder, std::string& error) {
    if (!decoder.ready()) {
        error = "Not enough memory to load the picture.";
        return false;
    }
    if (!Guarded(decoder, StartReading, &decoder.input())) {
        error = decoder.message();
        return false;
    }
    return CheckPictureSize(png_get_image_width(decoder.png(), decoder.info()),
                            png_get_image_height(decoder.png(), decoder.info()), error);
}

// How the rows that libpng gives become picture rows.
enum class Convert {
    kCopy,       // the row is the picture row already
    kTwoToFour,  // 2-bit indices widened to 4 bits
    kGreyAlpha,  // grey and alpha composed over white to grey
    kBgra,       // blue, green, red, alpha composed over white to BGR
};

struct Plan {
    Convert convert = Convert::kCopy;
    int bitCount = 24;
    int passes = 1;
};

void SetUp(png_structp png, png_infop info, void* context) {
    auto* plan = static_cast<Plan*>(context);
    const int colourType = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        plan->bitCount = depth == 1 ? 1 : depth <= 4 ? 4 : 8;
        plan->convert = depth == 2 ? Convert::kTwoToFour : Convert::kCopy;
    } else if ((colourType & PNG_COLOR_MASK_COLOR) == 0) {
        plan->bitCount = 8;
        if (depth < 8) {
            png_set_expand_gray_1_2_4_to_8(png);
        }
        if (hasTrns) {
            png_set_tRNS_to_alpha(png);
        }
        plan->convert = hasTrns || (colourType & PNG_COLOR_MASK_ALPHA) != 0 ? Convert::kGreyAlpha
                                                                            : Convert::kCopy;
    } else {
        plan->bitCount = 24;
        if (hasTrns) {
            png_set_tRNS_to_alpha(png);
        }
        png_set_bgr(png);
        plan->convert =
            hasTrns || (colourType & PNG_COLOR_MASK_ALPHA) != 0 ? Convert::kBgra : Convert::kCopy;
    }
    if (depth == 16) {
        png_set_scale_16(png);
    }
    plan->passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

// Over white: c·a + 255·(1 − a), rounded.
uint8_t OverWhite(unsigned colour, unsigned alpha) {
    return static_cast<uint8_t>((colour * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

void ConvertRow(Convert convert, const uint8_t* source, uint8_t* dest, uint32_t width) {
    switch (convert) {
        case Convert::kCopy:
            break;
        case Convert::kTwoToFour:
            for (uint32_t x = 0; x < width; ++x) {
                const unsigned index = (source[x / 4] >> (6 - 2 * (x % 4))) & 3u;
                if (x % 2 == 0) {
                    dest[x / 2] = static_cast<uint8_t>(index << 4);
                } else {
                    dest[x / 2] = static_cast<uint8_t>(dest[x / 2] | index);
                }
            }
            break;
        case Convert::kGreyAlpha:
            for (uint32_t x = 0; x < width; ++x) {
                dest[x] = OverWhite(source[2 * x], source[2 * x + 1]);
            }
            break;
        case Convert::kBgra:
            for (uint32_t x = 0; x < width; ++x) {
                const uint8_t* p = source + 4 * std::size_t{x};
                dest[3 * std::size_t{x}] = OverWhite(p[0], p[3]);
                dest[3 * std::size_t{x} + 1] = OverWhite(p[1], p[3]);
                dest[3 * std::size_t{x} + 2] = OverWhite(p[2], p[3]);
            }
            break;
    }
}

struct Rows {
    const Dib* dib;
    Plan plan;
    // Where libpng puts each row, top row first: the picture's own rows when
    // nothing is to be converted.
    png_bytep* rows;
    bool convertEach;  // convert each row as it comes (one pass only)
    LoadProgress* progress;
};

void DecodeRows(png_structp png, png_infop /*info*/, void* context) {
    auto* rows = static_cast<Rows*>(context);
    const BitmapInfoHeader& header = rows->dib->info->bmiHeader;
    const int32_t height = header.biHeight;
    const int64_t total = int64_t{height} * rows->plan.passes;
    int64_t done = 0;
    for (int pass = 0; pass < rows->plan.passes; ++pass) {
        for (int32_t y = 0; y < height; ++y) {
            png_read_row(png, rows->rows[y], nullptr);
            if (rows->convertEach) {
                ConvertRow(rows->plan.convert, rows->rows[y], DibRow(*rows->dib, height - 1 - y),
                           static_cast<uint32_t>(header.biWidth));
            }
            rows->progress->report(++done, total);
        }
    }
}

}  // namespace

bool IsPngFile(std::span<const uint8_t> file) {
    static constexpr uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return file.size() >= sizeof kSignature &&
           std::memcmp(file.data(), kSignature, sizeof kSignature) == 0;
}

bool MeasurePng(std::span<const uint8_t> file, PictureSize& size) {
    PngDecoder decoder(file);
    std::string error;
    if (!ReadHeader(decoder, error)) {
        return false;
    }
    size = {png_get_image_width(decoder.png(), decoder.info()),
            png_get_image_height(decoder.png(), decoder.info())};
    return true;
}

bool ReadPng(std::span<const uint8_t> file, OwnedDib& picture, std::string& error,
             LoadProgress& progress) {
    PngDecoder decoder(file);
    if (!ReadHeader(decoder, error)) {
        return false;
    }
    png_structp png = decoder.png();
    png_infop info = decoder.info();
    const uint32_t width = png_get_image_width(png, info);
    const uint32_t height = png_get_image_height(png, info);
    const bool palette = png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE;

    BitmapInfo colours;
    int colourCount = 0;
    if (palette) {
        png_colorp entries = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &entries, &count) == 0 || count < 1) {
            error = "The PNG file has no palette.";
            return false;
        }
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
        colourCount = std::min(count, kMaxColours);
        for (int i = 0; i < colourCount; ++i) {
            const unsigned a = alpha != nullptr && i < alphaCount ? alpha[i] : 255u;
            colours.bmiColors[i] =
                RgbQuad{OverWhite(entries[i].blue, a), OverWhite(entries[i].green, a),
                        OverWhite(entries[i].red, a), 0};
        }
    }

    Plan plan;
    if (!Guarded(decoder, SetUp, &plan)) {
        error = decoder.message();
        return false;
    }
    if (plan.bitCount == 8 && !palette) {
        FillGreyColours(colours);
        colourCount = kMaxColours;
    }
    OwnedDib made;
    if (!MakeLoadedPicture(made, width, height, plan.bitCount,
                           palette || plan.bitCount == 8 ? &colours : nullptr, colourCount,
                           error)) {
        return false;
    }
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    const bool direct = plan.convert == Convert::kCopy;
    if (direct && rowBytes > static_cast<std::size_t>(made->stride)) {
        error = "The PNG rows are longer than the picture's.";
        return false;
    }
    // Interlaced files fill their rows over several passes, so rows to be
    // converted wait in a buffer of the whole picture; others need one row.
    const bool whole = !direct && plan.passes > 1;
    // Left unfilled: a header that claims far more rows than its file holds
    // costs only the pages its data reaches.
    std::unique_ptr<uint8_t[]> buffer;
    if (!direct) {
        buffer = std::make_unique_for_overwrite<uint8_t[]>(rowBytes * (whole ? height : 1));
    }
    std::vector<png_bytep> rows(height);
    for (uint32_t y = 0; y < height; ++y) {
        rows[y] = direct ? DibRow(made.get(), static_cast<int32_t>(height - 1 - y))
                         : buffer.get() + (whole ? rowBytes * y : 0);
    }
    progress.report(0, height);
    Rows context{&made.get(), plan, rows.data(), !direct && !whole, &progress};
    if (!Guarded(decoder, DecodeRows, &context)) {
        error = decoder.message();
        return false;
    }
    if (whole) {
        for (uint32_t y = 0; y < height; ++y) {
            ConvertRow(plan.convert, rows[y],
                       DibRow(made.get(), static_cast<int32_t>(height - 1 - y)), width);
        }
    }
    // libpng leaves indices past a short palette to the reader.
    if (palette && colourCount < (1 << png_get_bit_depth(png, info))) {
        const int largest = LargestPaletteIndex(made.get());
        if (largest >= colourCount) {
            error = IndexPastPaletteText(largest, colourCount);
            return false;
        }
    }
    picture = std::move(made);
    return true;
}

}  // namespace grimora
