// SPDX-License-Identifier: GPL-3.0-or-later
// The undo history on the 64-dab strokes of bench_warp_dab: what recording
// adds to a painting step, what undo and redo of a whole stroke cost with
// the render of what changed, and the memory a step holds; beside them, in
// the same run, the plain way that keeps a whole copy of the field for every
// step. Prints the medians and ratios at the end.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "editor/warp_session.h"
#include "picture/dib_queries.h"
#include "warp/displacement_field.h"
#include "warp/effect.h"
#include "warp/render.h"
#include "warp_bench_support.h"

namespace {

using namespace grimora;

using bench::Scene;

// A session holding the scene's picture, rendered, with no history.
void LoadScene(WarpSession& session, Scene& scene) {
    session.loadPicture(std::move(scene.source), scene.messages);
    session.clearHistory();
}

// A painting step (dab, render of what it changed) without a history,
// recorded by the session (the stroke's end counted), and with the plain
// way's whole copy of the field at the stroke's start: the three take turns
// a stroke at a time from the same field, 31 rounds; prints each one's
// median per dab.
void BM_Steps(benchmark::State& state) {
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    const auto radius = static_cast<int32_t>(state.range(2));
    Scene scene(width, height);
    Scene sessionScene(width, height);
    WarpSession session;
    LoadScene(session, sessionScene);
    const std::vector<Displacement> start(scene.field.data(),
                                          scene.field.data() + scene.field.size());
    std::vector<Displacement> copy(start.size());
    bool copied = false;
    const auto resetField = [&] {
        std::copy(start.begin(), start.end(), scene.field.data());
        copied = false;
    };
    const auto plainStep = [&](const EffectParams& p) {
        DoEffekt(scene.field, p);
        renderdiRect(scene.source.get(), scene.field, scene.result, DabBounds(p, width, height));
    };
    std::vector<bench::StrokeWay> ways = {
        {"no history", resetField, plainStep},
        {"recorded",
         [&] {
             // The stroke before taken back: the field it started from.
             if (session.undo() != HistoryMove::None) {
                 session.renderChanged(scene.messages);
             }
             session.clearHistory();
             session.beginStroke();
         },
         [&](const EffectParams& p) {
             session.DoEffekt(p);
             session.renderChanged(scene.messages);
         },
         [&] { session.endStroke(); }},
        {"whole copy", resetField,
         [&](const EffectParams& p) {
             if (!copied) {
                 std::memcpy(copy.data(), scene.field.data(), copy.size() * sizeof(Displacement));
                 copied = true;
             }
             plainStep(p);
         }},
    };
    std::vector<double> medians;
    for (auto _ : state) {
        medians = bench::InterleavedMedians(ways, bench::MixedStroke(width, height, radius), 31);
    }
    std::printf(
        "%d x %d R %-3d  no history %.4f ms  recorded %.4f ms (%+.1f %%)  whole copy "
        "%.4f ms (%+.1f %%)\n",
        width, height, radius, medians[0], medians[1], 100 * (medians[1] / medians[0] - 1),
        medians[2], 100 * (medians[2] / medians[0] - 1));
}

// Undo and redo of one recorded stroke, each with the render of what it
// changed: two per iteration. Counters: the step's memory against the
// entries it changed, and the bound of 16 bytes an entry plus 64 KB.
void BM_UndoRedo(benchmark::State& state) {
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    Scene scene(width, height);
    WarpSession session;
    LoadScene(session, scene);
    const std::vector<Displacement> before(session.field().data(),
                                           session.field().data() + session.field().size());
    session.beginStroke();
    for (const EffectParams& p :
         bench::MixedStroke(width, height, static_cast<int32_t>(state.range(2)))) {
        session.DoEffekt(p);
        session.renderChanged(scene.messages);
    }
    session.endStroke();
    std::size_t changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        changed += session.field().data()[i] != before[i] ? 1 : 0;
    }
    for (auto _ : state) {
        session.undo();
        session.renderChanged(scene.messages);
        session.redo();
        session.renderChanged(scene.messages);
        benchmark::ClobberMemory();
    }
    const auto bytes = static_cast<double>(session.history().bytes());
    state.counters["step_MB"] = bytes / 1e6;
    state.counters["changed_M"] = static_cast<double>(changed) / 1e6;
    state.counters["B_per_entry"] = bytes / static_cast<double>(changed);
    state.counters["bound_MB"] = (16.0 * static_cast<double>(changed) + 65536.0) / 1e6;
}

// The plain way: the whole field copied back and rendered whole, both ways.
void BM_UndoRedoWholeCopy(benchmark::State& state) {
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    Scene scene(width, height);
    const std::vector<Displacement> before(scene.field.data(),
                                           scene.field.data() + scene.field.size());
    for (const EffectParams& p :
         bench::MixedStroke(width, height, static_cast<int32_t>(state.range(2)))) {
        DoEffekt(scene.field, p);
    }
    const std::vector<Displacement> after(scene.field.data(),
                                          scene.field.data() + scene.field.size());
    for (auto _ : state) {
        for (const std::vector<Displacement>* copy : {&before, &after}) {
            std::memcpy(scene.field.data(), copy->data(), copy->size() * sizeof(Displacement));
            renderdi(scene.source.get(), scene.field, scene.result, scene.messages);
        }
        benchmark::ClobberMemory();
    }
    state.counters["step_MB"] = 2.0 * static_cast<double>(before.size()) * 8 / 1e6;
}

class RatioReporter : public bench::MedianReporter {
public:
    void PrintRatios() const {
        std::printf("\nMedians (ms) and ratios:\n");
        for (const char* radius : {"50", "300"}) {
            const std::string big = std::string("w:6000/h:4000/R:") + radius;
            const std::string small = std::string("w:1200/h:833/R:") + radius;
            const double undo = find("undo_redo/" + big) / 2;
            const double undoSmall = find("undo_redo/" + small) / 2;
            const double undoCopy = find("undo_redo_whole_copy/" + big) / 2;
            std::printf(
                "R %-3s undo or redo %.3f  (1 MP %.3f, 24 MP / 1 MP = %.2f)  whole copy %.1f\n",
                radius, undo, undoSmall, undoSmall > 0 ? undo / undoSmall : 0, undoCopy);
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("steps", BM_Steps)
        ->Args({6000, 4000, 50})
        ->Args({6000, 4000, 300})
        ->ArgNames({"w", "h", "R"})
        ->Iterations(1);
    benchmark::RegisterBenchmark("undo_redo", BM_UndoRedo)->Apply(bench::TwoSizesTwoRadii);
    benchmark::RegisterBenchmark("undo_redo_whole_copy", BM_UndoRedoWholeCopy)
        ->Apply(bench::TwoSizesTwoRadii);
    RatioReporter reporter;
    return bench::RunAndPrintRatios(argc, argv, reporter);
}
