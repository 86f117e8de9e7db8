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

namespace {

using namespace grimora;

class QuietHost : public EffectHost {
public:
    void SetProStatus(int32_t) override {}
    void PaintBox1Paint() override {}
};

class QuietMessages : public MessageSink {
public:
    void showMessage(const std::string&) override {}
};

struct Scene {
    Scene(int32_t width, int32_t height) : field(width, height) {
        source.make(width, height, 24);
        const Dib& s = source.get();
        for (int32_t r = 0; r < height; ++r) {
            uint8_t* row = DibRow(s, r);
            for (int32_t k = 0; k < 3 * width; ++k) {
                row[k] = static_cast<uint8_t>(r * 7 + k * 13);
            }
        }
        InitMask(field);
        renderdi(source.get(), field, result, messages);
    }

    EffectParams dab(int32_t radius) const {
        EffectParams p;
        p.centreX = field.width() / 2;
        p.centreY = field.height() / 2;
        p.mode = EffectMode::Grow;
        p.radius = radius;
        return p;
    }

    OwnedDib source;
    OwnedDib result;
    DisplacementField field;
    QuietHost host;
    QuietMessages messages;
};

void SetCounters(benchmark::State& state, const Scene& scene) {
    state.counters["Mpx"] = static_cast<double>(scene.field.size()) / 1e6;
}

void BM_PaintingStep(benchmark::State& state) {
    Scene scene(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
    const EffectParams p = scene.dab(static_cast<int32_t>(state.range(2)));
    for (auto _ : state) {
        DoEffekt(scene.field, p, scene.host);
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
    const EffectParams p = scene.dab(static_cast<int32_t>(state.range(2)));
    for (auto _ : state) {
        DoEffekt(scene.field, p, scene.host);
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
