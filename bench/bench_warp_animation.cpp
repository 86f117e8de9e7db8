// SPDX-License-Identifier: GPL-3.0-or-later
// Saving the distortion of a 24-megapixel picture as 24 frames at 640
// pixels: GIF and WebP, exact and smooth frames, and the frames alone; beside
// the plain way in the same run, which renders every frame whole at full
// size through its morph field and then scales it down.
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "editor/animation_export.h"
#include "warp/effect.h"
#include "warp/morph.h"
#include "warp/render.h"
#include "warp_bench_support.h"

namespace {

using namespace grimora;
using bench::Scene;

constexpr int32_t kWidth = 6000;
constexpr int32_t kHeight = 4000;

// Four strong dabs of the largest radius: a face's eyes grown, its chin
// shrunk, its cheek smeared.
Scene& WarpedScene() {
    static Scene scene = [] {
        Scene s(kWidth, kHeight);
        const struct {
            EffectMode mode;
            int32_t x, y;
        } dabs[] = {{EffectMode::Grow, 2300, 2500},
                    {EffectMode::Grow, 3700, 2500},
                    {EffectMode::Shrink, 3000, 1200},
                    {EffectMode::Smear, 2200, 1700}};
        for (const auto& d : dabs) {
            EffectParams p;
            p.mode = d.mode;
            p.centreX = d.x;
            p.centreY = d.y;
            p.radius = 300;
            p.strength = 1.0;
            p.mouseX = 10;
            DoEffekt(s.field, p);
        }
        return s;
    }();
    return scene;
}

std::string TempFile(const char* extension) {
    return "/tmp/grimora-bench-" + std::to_string(::getpid()) + extension;
}

void BM_Save(benchmark::State& state, const char* extension, bool smooth) {
    Scene& scene = WarpedScene();
    AnimationSettings settings;
    settings.smooth = smooth;
    const std::string path = TempFile(extension);
    for (auto _ : state) {
        std::string error;
        if (!SaveMorphAnimation(scene.source.get(), scene.field, settings, path, {}, error)) {
            state.SkipWithError(error.c_str());
        }
    }
    ::unlink(path.c_str());
}

void BM_FramesOnly(benchmark::State& state, bool smooth) {
    Scene& scene = WarpedScene();
    for (auto _ : state) {
        const MorphRenderer frames(scene.source.get(), scene.field, 24, 640, smooth);
        RgbaFrame frame;
        for (int32_t k = 0; k < 24; ++k) {
            frames.render(k, frame);
            benchmark::DoNotOptimize(frame.pixels.data());
        }
    }
}

// Every frame whole: its field, its render at 24 megapixels, a box mean
// down to 640 pixels; then the same GIF encoder.
void BM_PlainGif(benchmark::State& state) {
    Scene& scene = WarpedScene();
    const std::string path = TempFile(".gif");
    const FrameSize size = MorphFrameSize(kWidth, kHeight, 640);
    for (auto _ : state) {
        DisplacementField field;
        OwnedDib picture;
        std::string error;
        const auto make = [&](int32_t k, RgbaFrame& frame) {
            MorphField(scene.field, k, 24, field);
            renderdi(scene.source.get(), field, picture, scene.messages);
            frame.width = size.width;
            frame.height = size.height;
            frame.pixels.assign(static_cast<std::size_t>(size.width) * size.height * 4, 255);
            for (int32_t v = 0; v < size.height; ++v) {
                const int32_t top = v * kHeight / size.height;
                const int32_t bottom = (v + 1) * kHeight / size.height;
                for (int32_t u = 0; u < size.width; ++u) {
                    const int32_t left = u * kWidth / size.width;
                    const int32_t right = (u + 1) * kWidth / size.width;
                    uint32_t sum[3] = {0, 0, 0};
                    for (int32_t y = top; y < bottom; ++y) {
                        const uint8_t* row = DibRow(picture.get(), kHeight - 1 - y);
                        for (int32_t x = left; x < right; ++x) {
                            for (int ch = 0; ch < 3; ++ch) {
                                sum[ch] += row[3 * x + ch];
                            }
                        }
                    }
                    const auto n = static_cast<uint32_t>((bottom - top) * (right - left));
                    uint8_t* out =
                        &frame.pixels[(static_cast<std::size_t>(v) * size.width + u) * 4];
                    for (int ch = 0; ch < 3; ++ch) {
                        out[ch] = static_cast<uint8_t>((sum[2 - ch] + n / 2) / n);
                    }
                }
            }
        };
        if (!SaveAnimation(path, size.width, size.height, 24, make, {}, {}, error)) {
            state.SkipWithError(error.c_str());
        }
    }
    ::unlink(path.c_str());
}

class RatioReporter : public bench::MedianReporter {
public:
    void PrintRatios() const {
        std::printf("\nplain / fast, GIF exact: %.1f\n", find("plain_gif") / find("gif_exact"));
    }
};

}  // namespace

int main(int argc, char** argv) {
    const auto add = [](const std::string& name, auto&& fn, auto... args) {
        benchmark::RegisterBenchmark(name.c_str(), fn, args...)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(3)
            ->ReportAggregatesOnly(true);
    };
    add("gif_exact", BM_Save, ".gif", false);
    add("gif_smooth", BM_Save, ".gif", true);
    add("webp_exact", BM_Save, ".webp", false);
    add("webp_smooth", BM_Save, ".webp", true);
    add("frames_exact", BM_FramesOnly, false);
    add("frames_smooth", BM_FramesOnly, true);
    // Ten seconds a run: two are enough for a median.
    benchmark::RegisterBenchmark("plain_gif", BM_PlainGif)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(2)
        ->ReportAggregatesOnly(true);
    RatioReporter reporter;
    return bench::RunAndPrintRatios(argc, argv, reporter);
}
