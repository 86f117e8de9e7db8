// SPDX-License-Identifier: GPL-3.0-or-later
// The freeze mask and the editing view's overlays, against the plain ways in
// the same run: a painting step (dab and render of its rectangle) on the
// 64-dab strokes of bench_warp_dab without a mask, with a mask of zeros and
// over a disc frozen half way, the three taking turns a stroke at a time;
// the grid and the folds over an 800 x 600 view
// of a 6000 x 4000 picture at zoom 0.2, and the folds of a whole picture
// counted from scratch beside the map that follows each dab.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "editor/overlays.h"
#include "warp/effect.h"
#include "warp/freeze_mask.h"
#include "warp/render.h"
#include "warp_bench_support.h"

namespace {

using namespace grimora;

using bench::Scene;

// The three ways take turns a stroke at a time from the same field, 31
// rounds; prints each one's median per dab.
void BM_Steps(benchmark::State& state) {
    const int32_t width = 6000;
    const int32_t height = 4000;
    const auto radius = static_cast<int32_t>(state.range(0));
    Scene scene(width, height);
    const std::vector<Displacement> start(scene.field.data(),
                                          scene.field.data() + scene.field.size());
    FreezeMask zeros(width, height);
    // Frozen half way over a disc that holds every dab of the stroke.
    FreezeMask half(width, height);
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            const int64_t dx = c - width / 2;
            const int64_t dy = r - height / 2;
            if (dx * dx + dy * dy <= 500 * 500) {
                half.at(c, r) = 128;
            }
        }
    }
    const auto reset = [&] { std::copy(start.begin(), start.end(), scene.field.data()); };
    const auto step = [&](FreezeMask* mask) {
        return [&scene, mask, width, height](const EffectParams& p) {
            DoEffekt(scene.field, mask, p);
            renderdiRect(scene.source.get(), scene.field, scene.result,
                         DabBounds(p, width, height));
        };
    };
    std::vector<bench::StrokeWay> ways = {{"no mask", reset, step(nullptr)},
                                          {"mask of zeros", reset, step(&zeros)},
                                          {"half-frozen disc", reset, step(&half)}};
    std::vector<double> medians;
    for (auto _ : state) {
        medians = bench::InterleavedMedians(ways, bench::MixedStroke(width, height, radius), 31);
    }
    std::printf(
        "R %-3d  no mask %.4f ms  mask of zeros %.4f ms (%+.1f %%)  half-frozen disc %.4f ms "
        "(%+.1f %%)\n",
        radius, medians[0], medians[1], 100 * (medians[1] / medians[0] - 1), medians[2],
        100 * (medians[2] / medians[0] - 1));
}

// A 6000 x 4000 field after a stroke of smears, and an 800 x 600 view of its
// middle at zoom 0.2.
struct ViewScene {
    ViewScene() : scene(6000, 4000), pixels(800 * 600, 0xFF808080u) {
        for (const EffectParams& p : bench::MixedStroke(6000, 4000, 300)) {
            DoEffekt(scene.field, p);
        }
        map = {6000, 4000, 1200, 800};
        view = {pixels.data(), 800, 200, 100, 800, 600};
    }
    Scene scene;
    std::vector<uint32_t> pixels;
    ViewMapping map;
    ViewPixels view;
};

void BM_Grid(benchmark::State& state) {
    ViewScene v;
    for (auto _ : state) {
        DrawGrid(v.view, v.map, v.scene.field, GridCell({10, 50}));
        benchmark::ClobberMemory();
    }
}

void BM_FoldsTint(benchmark::State& state) {
    ViewScene v;
    FoldMap folds;
    folds.rebuild(v.scene.field);
    for (auto _ : state) {
        TintFolds(v.view, v.map, folds);
        benchmark::ClobberMemory();
    }
    state.counters["folded"] = static_cast<double>(folds.count());
}

// What keeps the count of folded pixels at hand: the map brought up to date
// after a dab, against counting the whole picture anew.
void BM_FoldsAfterDab(benchmark::State& state, bool fromScratch) {
    Scene scene(6000, 4000);
    const std::vector<EffectParams> stroke = bench::MixedStroke(6000, 4000, 100);
    FoldMap folds;
    folds.rebuild(scene.field);
    std::size_t next = 0;
    for (auto _ : state) {
        const EffectParams& p = stroke[next++ % stroke.size()];
        state.PauseTiming();
        const DabRect changed = DoEffekt(scene.field, p);
        state.ResumeTiming();
        if (fromScratch) {
            folds.rebuild(scene.field);
        } else {
            folds.update(scene.field, changed);
        }
        benchmark::DoNotOptimize(folds.count());
    }
}

class RatioReporter : public bench::MedianReporter {
public:
    void PrintRatios() const {
        std::printf("\nMedians (ms):\n");
        std::printf("grid %.3f  folds %.3f  (800 x 600 at zoom 0.2)\n", find("grid"),
                    find("folds_tint"));
        std::printf("folds after a dab of R 100: kept up %.3f  counted anew %.1f\n",
                    find("folds_update"), find("folds_from_scratch"));
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("steps", BM_Steps)->Arg(50)->Arg(300)->ArgName("R")->Iterations(1);
    for (auto* b : {benchmark::RegisterBenchmark("grid", BM_Grid),
                    benchmark::RegisterBenchmark("folds_tint", BM_FoldsTint),
                    benchmark::RegisterBenchmark("folds_update", BM_FoldsAfterDab, false),
                    benchmark::RegisterBenchmark("folds_from_scratch", BM_FoldsAfterDab, true)}) {
        b->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
    }
    RatioReporter reporter;
    return bench::RunAndPrintRatios(argc, argv, reporter);
}
