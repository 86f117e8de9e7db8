// SPDX-License-Identifier: GPL-3.0-or-later
// Loading files whose structure asks for more work than their picture: the
// largest files of scripts/make-damaged-fixtures.sh --largest DIR, each
// beside a plain file of the same picture size, through OpenDib. Run with
// GRIMORA_LARGEST=DIR; without it nothing runs.
//
// Counters: loaded is 1 for a picture and 0 for a refusal; after the runs the
// program prints each file's median over the plain file's.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>

#include "picture/owned_dib.h"
#include "picture/pictrix.h"
#include "warp_bench_support.h"

namespace grimora {
namespace {

// Each hostile file and the plain one of its size.
const std::vector<std::pair<const char*, const char*>> kFiles = {
    {"largest_tiff_tall_narrow_tiles_sharing_one_stream.tif", "largest_tiff_plain_strips.tif"},
    {"largest_jpeg_refinement_scans_of_eob_runs.jpg", "largest_jpeg_plain_baseline.jpg"},
    {"largest_jpeg_repeated_ac_scans_of_eob_runs.jpg", "largest_jpeg_plain_baseline.jpg"},
};

void Load(benchmark::State& state, const std::string& path) {
    bool loaded = false;
    std::string error;
    for (auto _ : state) {
        Dib dib;
        OpenDib(dib, path.c_str(), nullptr);
        const OwnedDib picture(dib);
        loaded = dib.bits != nullptr;
        error = dib.errorText;
    }
    state.counters["loaded"] = loaded ? 1 : 0;
    state.SetLabel(error);
}

class RatioReporter : public bench::MedianReporter {
public:
    void Finalize() override {
        bench::MedianReporter::Finalize();
        for (const auto& [hostile, plain] : kFiles) {
            const double base = find(std::string("load/") + plain);
            const double time = find(std::string("load/") + hostile);
            if (base > 0 && time > 0) {
                std::printf("%-56s %8.0f ms, %5.2f x %s\n", hostile, time, time / base, plain);
            }
        }
    }
};

}  // namespace
}  // namespace grimora

int main(int argc, char** argv) {
    using namespace grimora;
    const char* folder = std::getenv("GRIMORA_LARGEST");
    if (folder == nullptr) {
        std::printf("GRIMORA_LARGEST is not set: nothing to load.\n");
        return 0;
    }
    std::vector<std::string> names;
    for (const auto& [hostile, plain] : kFiles) {
        for (const char* name : {plain, hostile}) {
            bool seen = false;
            for (const std::string& n : names) {
                seen = seen || n == name;
            }
            if (!seen) {
                names.emplace_back(name);
            }
        }
    }
    for (const std::string& name : names) {
        benchmark::RegisterBenchmark(("load/" + name).c_str(), Load,
                                     std::string(folder) + "/" + name)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(1)
            ->Repetitions(3);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
