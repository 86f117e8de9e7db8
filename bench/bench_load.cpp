// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a 24-megapixel JPEG and PNG through OpenDib, against the same
// library's own command-line decoder (djpeg, pngtopnm) run on the same file,
// and the memory peak of a process that loads one.
//
// Counters: tool_s is the tool's time for the file, ratio OpenDib's time over
// the tool's (below 1: OpenDib is faster); peak_MB is the peak resident size
// of a fresh process of this program that loads the file, and above_idle_MB
// what loading adds to the same process loading nothing.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include "load_bench_support.h"
#include "picture/open_dib.h"
#include "picture/owned_dib.h"
#include "picture/pictrix.h"
#include "picture/picture_writer.h"

extern char** environ;

namespace grimora {
namespace {

namespace fs = std::filesystem;
using bench::PeakKb;
using bench::Seconds;
using bench::ThreadCpuSeconds;

constexpr int32_t kWidth = bench::kPhotoWidth;
constexpr int32_t kHeight = bench::kPhotoHeight;
constexpr const char* kChildVariable = "GRIMORA_BENCH_LOAD_ONLY";

// Run as a child: load the file named by the variable ("-" loads nothing),
// print the peak and leave.
const bool kIsChild = [] {
    const char* file = std::getenv(kChildVariable);
    if (file == nullptr) {
        return false;
    }
    if (std::string(file) != "-") {
        Dib dib;
        OpenDib(dib, file, nullptr);
        if (dib.bits == nullptr) {
            std::_Exit(1);
        }
        deldib(dib);
    }
    std::printf("%ld\n", PeakKb());
    std::fflush(stdout);
    std::_Exit(0);
}();

// The synthetic photograph as JPEG and PNG.
const fs::path& Pictures() {
    static const fs::path folder = [] {
        const fs::path dir =
            fs::temp_directory_path() / ("grimora_bench_load_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        OwnedDib picture;
        if (!bench::MakeSyntheticPhoto(picture)) {
            std::fprintf(stderr, "cannot make the picture\n");
            std::exit(1);
        }
        std::string error;
        for (const char* name : {"photo.jpg", "photo.png"}) {
            if (!SavePicture(*picture, (dir / name).string(), error)) {
                std::fprintf(stderr, "%s\n", error.c_str());
                std::exit(1);
            }
        }
        std::atexit([] { fs::remove_all(Pictures()); });
        return dir;
    }();
    return folder;
}

// Runs the tool on the file, its output to /dev/null; the child's CPU seconds
// (user and system), or -1.
double ToolCpuSeconds(const std::string& tool, const std::string& file) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char* arguments[] = {const_cast<char*>(tool.c_str()), const_cast<char*>(file.c_str()), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, tool.c_str(), &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1;
    }
    int status = 0;
    struct rusage usage {};
    if (::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return -1;
    }
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) * 1e-6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The machine is shared, so time is measured as CPU time on both sides:
// OpenDib's thread and the tool's process. Wall times are given as well.
void CompareWithTool(benchmark::State& state, const char* name, const std::string& tool) {
    const std::string file = (Pictures() / name).string();
    double ours = 0;
    double theirs = 0;
    double oursWall = 0;
    double theirsWall = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        const double cpu = ThreadCpuSeconds();
        Dib dib;
        OpenDib(dib, file.c_str(), nullptr);
        const OwnedDib picture(dib);
        const double took = ThreadCpuSeconds() - cpu;
        oursWall += Seconds(std::chrono::steady_clock::now() - start);
        if (dib.bits == nullptr) {
            state.SkipWithError(dib.errorText);
            return;
        }
        state.SetIterationTime(took);
        ours += took;
        start = std::chrono::steady_clock::now();
        const double toolCpu = ToolCpuSeconds(tool, file);
        theirsWall += Seconds(std::chrono::steady_clock::now() - start);
        if (toolCpu < 0) {
            state.SkipWithError(("cannot run " + tool).c_str());
            return;
        }
        theirs += toolCpu;
    }
    state.counters["tool_cpu_s"] = theirs / double(state.iterations());
    state.counters["ratio_cpu"] = ours / theirs;
    state.counters["ratio_wall"] = oursWall / theirsWall;
}

void BM_LoadJpegAgainstDjpeg(benchmark::State& state) {
    CompareWithTool(state, "photo.jpg", "djpeg");
}
void BM_LoadPngAgainstPngtopnm(benchmark::State& state) {
    CompareWithTool(state, "photo.png", "pngtopnm");
}
BENCHMARK(BM_LoadJpegAgainstDjpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadPngAgainstPngtopnm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

long ChildPeakKb(const std::string& file) {
    return bench::ChildPeakKb("bench_load", {std::string(kChildVariable) + "=" + file});
}

void PeakMemory(benchmark::State& state, const char* name) {
    const std::string file = (Pictures() / name).string();
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
    state.counters["peak_MB"] = double(peak) / 1024;
    state.counters["above_idle_MB"] = double(peak - idle) / 1024;
    state.counters["picture_MB"] = double(DibStride(kWidth, 24) * kHeight) / (1 << 20);
}

void BM_PeakMemoryJpeg(benchmark::State& state) {
    PeakMemory(state, "photo.jpg");
}
void BM_PeakMemoryPng(benchmark::State& state) {
    PeakMemory(state, "photo.png");
}
BENCHMARK(BM_PeakMemoryJpeg)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PeakMemoryPng)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace grimora
