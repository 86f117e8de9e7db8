// SPDX-License-Identifier: GPL-3.0-or-later
// Saving a 24-megapixel picture as PNG and as JPEG through SavePicture,
// against the plain way in the same run: libpng with its own defaults (its
// five filters tried on every row, zlib level 6: how Grimora saved PNG
// before) and libjpeg-turbo's defaults at the same quality. Both ways write
// a file in the same folder and wait for it to reach the disk, as
// SavePicture does.
//
// Two pictures: the load benchmarks' synthetic photograph (smooth, packs
// small) and the same with the grain of a camera's sensor (packs about as a
// photograph does). Counters: plain_s is the plain way's time, speedup the
// plain way's time over SavePicture's, MB and plain_MB the files' sizes.
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "load_bench_support.h"
#include "picture/owned_dib.h"
#include "picture/picture_writer.h"

namespace grimora {
namespace {

namespace fs = std::filesystem;
using bench::Seconds;

const fs::path& Folder() {
    static const fs::path folder = [] {
        const fs::path dir =
            fs::temp_directory_path() / ("grimora_bench_save_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        std::atexit([] { fs::remove_all(Folder()); });
        return dir;
    }();
    return folder;
}

// The synthetic photograph, with grain of up to 12 levels either way in
// every channel and some sharp-edged texture when `grainy`.
const Dib& Picture(bool grainy) {
    static OwnedDib pictures[2];
    OwnedDib& picture = pictures[grainy ? 1 : 0];
    if (!picture.holdsPicture()) {
        if (!bench::MakeSyntheticPhoto(picture)) {
            std::fprintf(stderr, "cannot make the picture\n");
            std::exit(1);
        }
        uint32_t state = 1;
        for (int32_t y = 0; grainy && y < bench::kPhotoHeight; ++y) {
            uint8_t* row = DibRow(picture.get(), y);
            for (int32_t i = 0; i < 3 * bench::kPhotoWidth; ++i) {
                state = state * 1664525u + 1013904223u;
                const int edge = (i / 3 + y) % 97 < 40 ? 30 : 0;
                const int value = row[i] + int((state >> 24) % 25) - 12 + edge;
                row[i] = uint8_t(value < 0 ? 0 : value > 255 ? 255 : value);
            }
        }
    }
    return picture.get();
}

// The rows top-down as red, green, blue, for the plain writers.
void TopDownRgb(const Dib& dib, int32_t y, std::vector<uint8_t>& row) {
    const uint8_t* bgr = DibRow(dib, DibHeight(dib) - 1 - y);
    for (std::size_t x = 0; x < row.size(); x += 3) {
        row[x] = bgr[x + 2];
        row[x + 1] = bgr[x + 1];
        row[x + 2] = bgr[x];
    }
}

bool Synced(FILE* file) {
    return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0 && std::fclose(file) == 0;
}

// libpng as it comes, RGB 8 bits.
bool PlainPng(const Dib& dib, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, uint32_t(DibWidth(dib)), uint32_t(DibHeight(dib)), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(std::size_t(DibWidth(dib)) * 3);
    for (int32_t y = 0; y < DibHeight(dib); ++y) {
        TopDownRgb(dib, y, row);
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return Synced(file);
}

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

// libjpeg-turbo's defaults at the same quality.
bool PlainJpeg(const Dib& dib, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    jpeg_compress_struct cinfo{};
    JpegErrors errors{};
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<JpegErrors*>(c->err)->jump, 1);
    };
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_compress(&cinfo);
        std::fclose(file);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = JDIMENSION(DibWidth(dib));
    cinfo.image_height = JDIMENSION(DibHeight(dib));
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, kDefaultJpegQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(std::size_t(DibWidth(dib)) * 3);
    for (int32_t y = 0; y < DibHeight(dib); ++y) {
        TopDownRgb(dib, y, row);
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return Synced(file);
}

void CompareWithPlain(benchmark::State& state, bool grainy, const char* extension,
                      bool (*plain)(const Dib&, const std::string&)) {
    const Dib& picture = Picture(grainy);
    const std::string ours = (Folder() / (std::string("ours") + extension)).string();
    const std::string theirs = (Folder() / (std::string("plain") + extension)).string();
    double plainSeconds = 0;
    double oursSeconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        std::string error;
        if (!SavePicture(picture, ours, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        const double took = Seconds(std::chrono::steady_clock::now() - start);
        state.SetIterationTime(took);
        oursSeconds += took;
        start = std::chrono::steady_clock::now();
        if (!plain(picture, theirs)) {
            state.SkipWithError("the plain way failed");
            return;
        }
        plainSeconds += Seconds(std::chrono::steady_clock::now() - start);
    }
    state.counters["plain_s"] = plainSeconds / double(state.iterations());
    state.counters["speedup"] = plainSeconds / oursSeconds;
    state.counters["MB"] = double(fs::file_size(ours)) / 1e6;
    state.counters["plain_MB"] = double(fs::file_size(theirs)) / 1e6;
}

void BM_SavePngGrainy(benchmark::State& state) {
    CompareWithPlain(state, true, ".png", PlainPng);
}
void BM_SavePngSmooth(benchmark::State& state) {
    CompareWithPlain(state, false, ".png", PlainPng);
}
void BM_SaveJpegGrainy(benchmark::State& state) {
    CompareWithPlain(state, true, ".jpg", PlainJpeg);
}
void BM_SaveJpegSmooth(benchmark::State& state) {
    CompareWithPlain(state, false, ".jpg", PlainJpeg);
}
BENCHMARK(BM_SavePngGrainy)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SavePngSmooth)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveJpegGrainy)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SaveJpegSmooth)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace grimora
