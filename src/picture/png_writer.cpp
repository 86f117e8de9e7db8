// SPDX-License-Identifier: GPL-3.0-or-later
// PNG encoder: 8-bit RGB, not interlaced.
#include <csetjmp>
#include <cstdio>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "picture/row_writer.h"

namespace grimora {

// libpng's error function longjmps back to Guarded(), as in the reader: the
// frames between hold only trivially destructible locals.

namespace {

struct PngOutput {
    FileSink* sink;
    char message[200];
};

[[noreturn]] void ErrorFunction(png_structp png, png_const_charp message) {
    auto* output = static_cast<PngOutput*>(png_get_error_ptr(png));
    std::snprintf(output->message, sizeof output->message, "%s", message);
    png_longjmp(png, 1);
}

void WarningFunction(png_structp, png_const_charp) {}

void WriteFunction(png_structp png, png_bytep data, png_size_t length) {
    auto* output = static_cast<PngOutput*>(png_get_io_ptr(png));
    if (!output->sink->write(data, length)) {
        png_error(png, "write failed");
    }
}

void FlushFunction(png_structp) {}

class PngEncoder {
public:
    explicit PngEncoder(FileSink& sink) : output_{&sink, {}} {
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, &output_, ErrorFunction,
                                       WarningFunction);
        if (png_ != nullptr) {
            info_ = png_create_info_struct(png_);
        }
    }
    ~PngEncoder() {
        if (png_ != nullptr) {
            png_destroy_write_struct(&png_, info_ != nullptr ? &info_ : nullptr);
        }
    }
    PngEncoder(const PngEncoder&) = delete;
    PngEncoder& operator=(const PngEncoder&) = delete;

    bool ready() const { return png_ != nullptr && info_ != nullptr; }
    png_structp png() const { return png_; }
    png_infop info() const { return info_; }
    PngOutput& output() { return output_; }

private:
    PngOutput output_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

struct Job {
    const Dib* dib;
    uint8_t* row;
    std::size_t rowBytes;
    PngOutput* output;
    LoadProgress* progress;
};

void Encode(png_structp png, png_infop info, Job* job) {
    const BitmapInfoHeader& header = job->dib->info->bmiHeader;
    png_set_write_fn(png, job->output, WriteFunction, FlushFunction);
    // Each row less the one above, packed as runs: on photographs as small
    // as libpng's defaults (its five filters tried on every row, and zlib's
    // level 6), in a third of the time; larger on flat drawings, which are
    // small either way (bench/bench_save).
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_strategy(png, Z_RLE);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, static_cast<png_uint_32>(header.biWidth),
                 static_cast<png_uint_32>(header.biHeight), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int32_t y = 0; y < header.biHeight; ++y) {
        EncodeTrueColourRow(*job->dib, header.biHeight - 1 - y, job->row, job->rowBytes);
        png_write_row(png, job->row);
        job->progress->report(y + 1, header.biHeight);
    }
    png_write_end(png, info);
}

bool Guarded(PngEncoder& encoder, Job* job) {
    if (setjmp(png_jmpbuf(encoder.png())) != 0) {
        return false;
    }
    Encode(encoder.png(), encoder.info(), job);
    return true;
}

}  // namespace

bool EncodePng(const Dib& dib, FileSink& sink, LoadProgress& progress, std::string& reason) {
    PngEncoder encoder(sink);
    if (!encoder.ready()) {
        reason = "Not enough memory";
        return false;
    }
    const std::size_t rowBytes = std::size_t(dib.info->bmiHeader.biWidth) * 3;
    std::vector<uint8_t> row(rowBytes);
    Job job{&dib, row.data(), rowBytes, &encoder.output(), &progress};
    if (!Guarded(encoder, &job) || !sink.flush()) {
        reason =
            sink.failed() ? sink.reason() : "PNG encoder: " + std::string(encoder.output().message);
        return false;
    }
    return true;
}

}  // namespace grimora
