// SPDX-License-Identifier: GPL-3.0-or-later
// One painting step, a grow dab at the picture's centre followed by the render
// of its rectangle, on pictures of 1, 12 and 24 megapixels at the default and
// the largest radius; and the whole render, as a load does it.
#include <cstdint>
#include <string>
#include <utility>

#include <benchmark/benchmark.h>

#include "picture/host.h"
#include "picture/owned_dib.h"
#include "warp/displacement_field.h"
#include "warp/effect.h"
#include "warp/render.h"
#include "warp_bench_support.h"

namespace {

using namespace grimora;

using bench::Scene;

// A grow dab at the picture's centre.
EffectParams CentreDab(const Scene& scene, int32_t radius) {
    EffectParams p;
    p.centreX = scene.field.width() / 2;
    p.centreY = scene.field.height() / 2;
    p.mode = EffectMode::Grow;
    p.radius = radius;
    return p;
}

void SetCounters(benchmark::State& state, const Scene& scene) {
    state.counters["Mpx"] = static_cast<double>(scene.field.size()) / 1e6;
}

void BM_PaintingStep(benchmark::State& state) {
    Scene scene(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
    const EffectParams p = CentreDab(scene, static_cast<int32_t>(state.range(2)));
    for (auto _ : state) {
        DoEffekt(scene.field, p);
        renderdiRect(scene.source.get(), scene.field, scene.result,
                     DabBounds(p, scene.field.width(), scene.field.height()));
        benchmark::DoNotOptimize(scene.result->bits);
        benchmark::ClobberMemory();
    }
    SetCounters(state, scene);
}

// The two halves of a step on their own.
void BM_Dab(benchmark::State& state) {
    Scene scene(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
    const EffectParams p = CentreDab(scene, static_cast<int32_t>(state.range(2)));
    for (auto _ : state) {
        DoEffekt(scene.field, p);
        benchmark::DoNotOptimize(scene.field.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state, scene);
}

void BM_Render(benchmark::State& state) {
    Scene scene(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
    for (auto _ : state) {
        renderdi(scene.source.get(), scene.field, scene.result, scene.messages);
        benchmark::DoNotOptimize(scene.result->bits);
        benchmark::ClobberMemory();
    }
    SetCounters(state, scene);
}

void PictureSizes(benchmark::internal::Benchmark* b) {
    for (const auto& size : {std::pair{1200, 833}, std::pair{4243, 2828}, std::pair{6000, 4000}}) {
        for (const int radius : {50, 300}) {
            b->Args({size.first, size.second, radius});
        }
    }
    b->ArgNames({"w", "h", "R"})->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_PaintingStep)->Apply(PictureSizes);
BENCHMARK(BM_Dab)->Apply(PictureSizes);
BENCHMARK(BM_Render)
    ->Args({1200, 833})
    ->Args({4243, 2828})
    ->Args({6000, 4000})
    ->ArgNames({"w", "h"})
    ->Unit(benchmark::kMillisecond);
