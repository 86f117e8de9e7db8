// SPDX-License-Identifier: GPL-3.0-or-later
// The smooth rendering beside the exact one in the same run: the whole
// picture through a field that moves every entry, and a painting step (a grow
// dab at the centre, then the render of what it changed) at radius 50 and
// 300 on 24 and 1 megapixels; prints smooth / exact for each, and 24 / 1
// megapixels for the smooth step, whose cost must follow the brush.
#include <cstdint>
#include <cstdio>
#include <string>

#include <benchmark/benchmark.h>

#include "warp/effect.h"
#include "warp/render.h"
#include "warp/smooth_render.h"
#include "warp_bench_support.h"

namespace {

using namespace grimora;
using bench::Scene;

// A 4 : 3 magnification about the centre in both directions, so that no
// window is the identity and every pixel is blended.
void MagnifyEverywhere(DisplacementField& field) {
    const int32_t w = field.width();
    const int32_t h = field.height();
    for (int32_t r = 0; r < h; ++r) {
        Displacement* row = field.row(r);
        for (int32_t c = 0; c < w; ++c) {
            row[c] = {w / 8 + c * 3 / 4, h / 8 + r * 3 / 4};
        }
    }
}

void BM_Whole(benchmark::State& state, bool smooth) {
    Scene scene(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
    MagnifyEverywhere(scene.field);
    for (auto _ : state) {
        if (smooth) {
            renderSmooth(scene.source.get(), scene.field, scene.result, scene.messages);
        } else {
            renderdi(scene.source.get(), scene.field, scene.result, scene.messages);
        }
        benchmark::DoNotOptimize(scene.result->bits);
        benchmark::ClobberMemory();
    }
}

void BM_Step(benchmark::State& state, bool smooth) {
    Scene scene(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)));
    EffectParams p;
    p.centreX = scene.field.width() / 2;
    p.centreY = scene.field.height() / 2;
    p.radius = static_cast<int32_t>(state.range(2));
    const DabRect changed = DabBounds(p, scene.field.width(), scene.field.height());
    if (smooth) {
        renderSmooth(scene.source.get(), scene.field, scene.result, scene.messages);
    }
    for (auto _ : state) {
        DoEffekt(scene.field, p);
        if (smooth) {
            renderSmoothRect(scene.source.get(), scene.field, scene.result,
                             SmoothReach(changed, scene.field.width(), scene.field.height()));
        } else {
            renderdiRect(scene.source.get(), scene.field, scene.result, changed);
        }
        benchmark::DoNotOptimize(scene.result->bits);
        benchmark::ClobberMemory();
    }
}

class RatioReporter : public bench::MedianReporter {
public:
    void PrintRatios() const {
        std::printf("\nsmooth / exact (medians):\n");
        const std::string whole = "/w:6000/h:4000";
        std::printf("  whole render 6000 x 4000: %.2f\n",
                    find("whole_smooth" + whole) / find("whole_exact" + whole));
        for (const char* radius : {"50", "300"}) {
            const std::string args = whole + "/R:" + radius;
            std::printf("  painting step R %s: %.2f\n", radius,
                        find("step_smooth" + args) / find("step_exact" + args));
            std::printf("  smooth step R %s, 24 MP / 1 MP: %.2f\n", radius,
                        find("step_smooth" + args) /
                            find(std::string("step_smooth/w:1200/h:833/R:") + radius));
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    for (const bool smooth : {false, true}) {
        const std::string kind = smooth ? "smooth" : "exact";
        benchmark::RegisterBenchmark(("whole_" + kind).c_str(), BM_Whole, smooth)
            ->Args({6000, 4000})
            ->ArgNames({"w", "h"})
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true);
        benchmark::RegisterBenchmark(("step_" + kind).c_str(), BM_Step, smooth)
            ->Args({6000, 4000, 50})
            ->Args({6000, 4000, 300})
            ->Args({1200, 833, 50})
            ->Args({1200, 833, 300})
            ->ArgNames({"w", "h", "R"})
            ->Unit(benchmark::kMillisecond)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true);
    }
    RatioReporter reporter;
    return bench::RunAndPrintRatios(argc, argv, reporter);
}
