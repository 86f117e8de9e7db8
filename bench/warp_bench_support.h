// SPDX-License-Identifier: GPL-3.0-or-later
// What the warp benchmarks share: a message sink that swallows what it is
// told, and a patterned 24-bit picture with its identity field, rendered.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "picture/dib_queries.h"
#include "picture/host.h"
#include "picture/owned_dib.h"
#include "warp/displacement_field.h"
#include "warp/effect.h"
#include "warp/render.h"

namespace grimora::bench {

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

    OwnedDib source;
    OwnedDib result;
    DisplacementField field;
    QuietMessages messages;
};

// A stroke of 64 dabs wandering within 100 pixels of the picture's centre
// (or of centreX, centreY), so that a radius of 300 stays inside a
// 1-megapixel picture too; the mouse moves a few pixels each step, as a hand
// does.
inline std::vector<EffectParams> WanderingStroke(int32_t width, int32_t height, int32_t radius,
                                                 EffectMode mode, int32_t centreX = -1,
                                                 int32_t centreY = -1) {
    centreX = centreX < 0 ? width / 2 : centreX;
    centreY = centreY < 0 ? height / 2 : centreY;
    std::vector<EffectParams> dabs;
    for (int k = 0; k < 64; ++k) {
        EffectParams p;
        p.centreX = centreX + (k * 37) % 201 - 100;
        p.centreY = centreY + (k * 53) % 201 - 100;
        p.mouseX = 3 * k;
        p.mouseY = 2 * k;
        p.prevMouseX = 3 * k - 3;
        p.prevMouseY = 2 * k - 2;
        p.mode = mode;
        p.radius = radius;
        dabs.push_back(p);
    }
    return dabs;
}

// The same stroke, its dabs growing and smearing in turn.
inline std::vector<EffectParams> MixedStroke(int32_t width, int32_t height, int32_t radius) {
    std::vector<EffectParams> dabs = WanderingStroke(width, height, radius, EffectMode::Grow);
    for (std::size_t k = 1; k < dabs.size(); k += 2) {
        dabs[k].mode = EffectMode::Smear;
    }
    return dabs;
}

// 24 and 1 megapixels at radius 50 and 300, in milliseconds, the median of
// three kept.
inline void TwoSizesTwoRadii(benchmark::internal::Benchmark* b) {
    for (const int radius : {50, 300}) {
        b->Args({6000, 4000, radius});
        b->Args({1200, 833, radius});
    }
    b->ArgNames({"w", "h", "R"})->Unit(benchmark::kMillisecond)->Repetitions(3);
    b->ReportAggregatesOnly(true);
}

// One way of doing a stroke: `reset` puts everything back where the stroke
// starts (not timed), `dab` is one painting step, `finish` what ends the
// stroke (timed with it).
struct StrokeWay {
    const char* name;
    std::function<void()> reset;
    std::function<void(const EffectParams&)> dab;
    std::function<void()> finish = [] {};
};

// The ways take turns, a whole stroke each, for `rounds` rounds, so that a
// machine whose speed drifts (a shared virtual machine) treats them alike;
// each way's median time per dab in milliseconds.
inline std::vector<double> InterleavedMedians(std::vector<StrokeWay>& ways,
                                              const std::vector<EffectParams>& stroke, int rounds) {
    std::vector<std::vector<double>> times(ways.size());
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t w = 0; w < ways.size(); ++w) {
            ways[w].reset();
            const auto start = std::chrono::steady_clock::now();
            for (const EffectParams& p : stroke) {
                ways[w].dab(p);
            }
            ways[w].finish();
            const std::chrono::duration<double, std::milli> took =
                std::chrono::steady_clock::now() - start;
            times[w].push_back(took.count() / static_cast<double>(stroke.size()));
        }
    }
    std::vector<double> medians;
    for (std::vector<double>& t : times) {
        std::sort(t.begin(), t.end());
        medians.push_back(t[t.size() / 2]);
    }
    return medians;
}

// Keeps the median of every benchmark by its name without the run options,
// so that a program can print ratios once all have run.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                std::string name = run.benchmark_name();
                for (const char* option : {"/repeats:", "/real_time", "/iterations:"}) {
                    name = name.substr(0, name.rfind(option));
                }
                medians_[name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

protected:
    // 0 when there is none.
    double find(const std::string& name) const {
        const auto it = medians_.find(name);
        return it == medians_.end() ? 0 : it->second;
    }

private:
    std::map<std::string, double> medians_;
};

// Runs the benchmarks registered so far through `reporter`, then prints its
// ratios of the medians.
template <typename Reporter>
int RunAndPrintRatios(int argc, char** argv, Reporter& reporter) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}

}  // namespace grimora::bench
