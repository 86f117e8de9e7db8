// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's half of a painting step, the plain way and the fast way on the
// same dabs in one run: the reference dab followed by a whole render, against
// the fast dab followed by the render of its rectangle. Prints the ratios of
// the medians at the end.
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "picture/dib_queries.h"
#include "picture/host.h"
#include "picture/owned_dib.h"
#include "warp/displacement_field.h"
#include "warp/effect.h"
#include "warp/effect_reference.h"
#include "warp/render.h"
#include "warp_bench_support.h"

namespace {

using namespace grimora;

using bench::Scene;

enum class Path { Reference, Fast, FastOneThread };

void BM_Step(benchmark::State& state, Path path, EffectMode mode) {
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    const auto radius = static_cast<int32_t>(state.range(2));
    Scene scene(width, height);
    const std::vector<EffectParams> stroke = bench::WanderingStroke(width, height, radius, mode);
    std::size_t next = 0;
    for (auto _ : state) {
        const EffectParams& p = stroke[next++ % stroke.size()];
        switch (path) {
            case Path::Reference:
                DoEffektReference(scene.field, p);
                renderdi(scene.source.get(), scene.field, scene.result, scene.messages);
                break;
            case Path::Fast:
            case Path::FastOneThread:
                DoEffekt(scene.field, p, path == Path::Fast ? DabThreads::Auto : DabThreads::One);
                renderdiRect(scene.source.get(), scene.field, scene.result,
                             DabBounds(p, width, height));
                break;
        }
        benchmark::DoNotOptimize(scene.result->bits);
        benchmark::ClobberMemory();
    }
}

// The dab alone, on one thread or two, across the radii about the size from
// which DoEffekt shares a square: where two threads start to pay.
void BM_DabThreads(benchmark::State& state) {
    const auto radius = static_cast<int32_t>(state.range(0));
    const DabThreads threads = state.range(1) == 1 ? DabThreads::One : DabThreads::Two;
    Scene scene(6000, 4000);
    const std::vector<EffectParams> stroke =
        bench::WanderingStroke(6000, 4000, radius, EffectMode::Grow);
    std::size_t next = 0;
    for (auto _ : state) {
        DoEffekt(scene.field, stroke[next++ % stroke.size()], threads);
        benchmark::ClobberMemory();
    }
}

// Prints the ratios of the medians once all have run.
class RatioReporter : public bench::MedianReporter {
public:
    void PrintRatios() const {
        std::printf("\nRatios of medians (ms):\n");
        for (const char* mode : {"grow", "smear"}) {
            for (const char* size : {"w:6000/h:4000", "w:1200/h:833"}) {
                for (const char* radius : {"50", "300"}) {
                    const std::string args = std::string(size) + "/R:" + radius;
                    const double ref = find(std::string("reference_") + mode + "/" + args);
                    const double fast = find(std::string("fast_") + mode + "/" + args);
                    const double one = find(std::string("fast_one_thread_") + mode + "/" + args);
                    if (fast > 0) {
                        std::printf(
                            "%-5s %-14s R %-3s  fast %8.4f  one thread %8.4f  "
                            "reference %9.3f  reference/fast %7.1f\n",
                            mode, size, radius, fast, one, ref, ref > 0 ? ref / fast : 0);
                    }
                }
            }
            for (const char* radius : {"50", "300"}) {
                const double big = find(std::string("fast_") + mode + "/w:6000/h:4000/R:" + radius);
                const double small =
                    find(std::string("fast_") + mode + "/w:1200/h:833/R:" + radius);
                if (big > 0 && small > 0) {
                    std::printf("%-5s R %-3s  24 MP / 1 MP = %.3f\n", mode, radius, big / small);
                }
            }
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    const struct {
        const char* name;
        Path path;
    } paths[] = {{"reference_", Path::Reference},
                 {"fast_", Path::Fast},
                 {"fast_one_thread_", Path::FastOneThread}};
    for (const auto& path : paths) {
        for (const auto& [mode, modeName] :
             {std::pair{EffectMode::Grow, "grow"}, std::pair{EffectMode::Smear, "smear"}}) {
            benchmark::RegisterBenchmark((std::string(path.name) + modeName).c_str(), BM_Step,
                                         path.path, mode)
                ->Apply(bench::TwoSizesTwoRadii);
        }
    }
    benchmark::RegisterBenchmark("dab_threads", BM_DabThreads)
        ->ArgsProduct({{30, 50, 70, 100, 140}, {1, 2}})
        ->ArgNames({"R", "threads"})
        ->Unit(benchmark::kMicrosecond)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
    RatioReporter reporter;
    return bench::RunAndPrintRatios(argc, argv, reporter);
}
