// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a 24-megapixel JPEG to an editable picture in the program as it
// runs (the picture page's openfilenow: decode, field, identity, render,
// views resized and painted, on the offscreen platform),
// against libjpeg-turbo decoding the same file into a picture buffer in the
// same run; and the peak memory of a fresh process that does the load.
//
// Counters: jpeg_ms is libjpeg-turbo's time, ratio ours over it (wall time;
// ratio_cpu the same in this thread's CPU time, which leaves out the render's
// helper thread); peak_MB is the peak resident size of a child that starts
// the window and loads the file, idle_MB the same child loading nothing,
// budget_MB 15 bytes a pixel plus 64 MB.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include <jpeglib.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>

#include <benchmark/benchmark.h>

#include "app/main_form.h"
#include "load_bench_support.h"
#include "picture/dib_queries.h"
#include "picture/owned_dib.h"
#include "picture/picture_writer.h"
#include "qt_bench_support.h"

namespace grimora {
namespace {

namespace fs = std::filesystem;
using bench::PeakKb;
using bench::Seconds;
using bench::ThreadCpuSeconds;

constexpr int32_t kWidth = bench::kPhotoWidth;
constexpr int32_t kHeight = bench::kPhotoHeight;
constexpr const char* kChildVariable = "GRIMORA_BENCH_QT_LOAD_ONLY";

// The picture page's load: decode with progress, memory check, depth,
// field, identity, render, views, information boxes and preview.
bool LoadInto(TMainForm& form, const std::string& file) {
    const bool taken = form.openfilenow(QString::fromStdString(file));
    QCoreApplication::processEvents();
    return taken;
}

// Run as a child: start the window, load the file named by the variable
// ("-" loads nothing), print the peak and leave.
const bool kIsChild = [] {
    const char* file = std::getenv(kChildVariable);
    if (file == nullptr) {
        return false;
    }
    bench::EnsureApplication();
    auto form = std::make_unique<TMainForm>();
    bench::ShowExposed(*form);
    if (std::string(file) != "-" && !LoadInto(*form, file)) {
        std::_Exit(1);
    }
    std::printf("%ld\n", PeakKb());
    std::fflush(stdout);
    std::_Exit(0);
}();

// The synthetic photograph as JPEG.
const std::string& Photo() {
    static const std::string file = [] {
        const fs::path dir =
            fs::temp_directory_path() / ("grimora_bench_qt_load_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        OwnedDib picture;
        if (!bench::MakeSyntheticPhoto(picture)) {
            std::fprintf(stderr, "cannot make the picture\n");
            std::exit(1);
        }
        const std::string path = (dir / "photo.jpg").string();
        std::string error;
        if (!SavePicture(*picture, path, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::exit(1);
        }
        std::atexit([] { fs::remove_all(fs::path(Photo()).parent_path()); });
        return path;
    }();
    return file;
}

// libjpeg-turbo's own decode: the file to 24-bit BGR rows of a picture-sized
// buffer, as a program that keeps the picture does. False on failure (the
// default error handler ends the program instead).
bool LibjpegDecode(const std::string& file) {
    FILE* in = std::fopen(file.c_str(), "rb");
    if (in == nullptr) {
        return false;
    }
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, in);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const std::size_t stride = (std::size_t{cinfo.output_width} * 3 + 3) & ~std::size_t{3};
    const std::unique_ptr<uint8_t[]> pixels(new uint8_t[stride * cinfo.output_height]);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.get() + stride * (cinfo.output_height - 1 - cinfo.output_scanline);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    benchmark::DoNotOptimize(pixels[stride]);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(in);
    return true;
}

void BM_LoadEditableJpeg(benchmark::State& state) {
    bench::EnsureApplication();
    const std::string& file = Photo();
    TMainForm form;
    bench::ShowExposed(form);
    double ours = 0, oursCpu = 0, theirs = 0, theirsCpu = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        double cpu = ThreadCpuSeconds();
        if (!LoadInto(form, file)) {
            state.SkipWithError("the load failed");
            return;
        }
        const double took = Seconds(std::chrono::steady_clock::now() - start);
        oursCpu += ThreadCpuSeconds() - cpu;
        ours += took;
        state.SetIterationTime(took);
        // The previous picture is given back on another thread after the
        // load: that ends before the reference decode starts, as it would
        // before a user's next step, so that it slows neither.
        // Waited out busily: a core left idle here ran the reference decode
        // up to a fifth slower on this virtual machine.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(150);
        while (std::chrono::steady_clock::now() < until) {
        }

        start = std::chrono::steady_clock::now();
        cpu = ThreadCpuSeconds();
        if (!LibjpegDecode(file)) {
            state.SkipWithError("libjpeg could not open the file");
            return;
        }
        theirs += Seconds(std::chrono::steady_clock::now() - start);
        theirsCpu += ThreadCpuSeconds() - cpu;
    }
    state.counters["jpeg_ms"] = 1000 * theirs / double(state.iterations());
    state.counters["ratio"] = ours / theirs;
    state.counters["ratio_cpu"] = oursCpu / theirsCpu;
}
BENCHMARK(BM_LoadEditableJpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

long ChildPeakKb(const std::string& file) {
    return bench::ChildPeakKb(
        "bench_qt_load", {std::string(kChildVariable) + "=" + file, "QT_QPA_PLATFORM=offscreen"});
}

void BM_PeakMemoryEditableJpeg(benchmark::State& state) {
    const std::string& file = Photo();
    long peak = 0;
    long idle = 0;
    for (auto _ : state) {
        peak = ChildPeakKb(file);
        idle = ChildPeakKb("-");
        if (peak < 0 || idle < 0) {
            state.SkipWithError("the child failed");
            return;
        }
    }
    const double pixels = double(kWidth) * kHeight;
    state.counters["peak_MB"] = double(peak) / 1024;
    state.counters["idle_MB"] = double(idle) / 1024;
    state.counters["bytes_per_pixel_above_idle"] = double(peak - idle) * 1024 / pixels;
    state.counters["budget_MB"] = (15 * pixels) / (1 << 20) + 64;
}
BENCHMARK(BM_PeakMemoryEditableJpeg)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace grimora
