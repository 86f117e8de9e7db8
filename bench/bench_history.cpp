// SPDX-License-Identifier: GPL-3.0-or-later
// The undo history on the 64-dab strokes of bench_warp_dab: what recording
// adds to a painting step, what undo and redo of a whole stroke cost with
// the render of what changed, and the memory a step holds; beside them, in
// the same run, the plain way that keeps a whole copy of the field for every
// step. Prints the ratios of the medians at the end.
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

enum class Keeping { Nothing, Recorded, WholeCopy };

// One painting step per iteration (dab, render of what it changed); every
// 64 dabs a stroke ends and the next begins, its cost counted.
void BM_Step(benchmark::State& state, Keeping keeping) {
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    const std::vector<EffectParams> stroke =
        bench::MixedStroke(width, height, static_cast<int32_t>(state.range(2)));
    Scene scene(width, height);
    WarpSession session;
    std::vector<Displacement> copy;
    if (keeping == Keeping::Recorded) {
        LoadScene(session, scene);
        session.beginStroke();
    }
    if (keeping == Keeping::WholeCopy) {
        copy.resize(scene.field.size());
    }
    std::size_t next = 0;
    for (auto _ : state) {
        const EffectParams& p = stroke[next++ % stroke.size()];
        const bool strokeStarts = next % stroke.size() == 1;
        switch (keeping) {
            case Keeping::Nothing:
                DoEffekt(scene.field, p);
                renderdiRect(scene.source.get(), scene.field, scene.result,
                             DabBounds(p, width, height));
                break;
            case Keeping::WholeCopy:
                if (strokeStarts) {
                    std::memcpy(copy.data(), scene.field.data(),
                                scene.field.size() * sizeof(Displacement));
                }
                DoEffekt(scene.field, p);
                renderdiRect(scene.source.get(), scene.field, scene.result,
                             DabBounds(p, width, height));
                break;
            case Keeping::Recorded:
                if (strokeStarts && next > 1) {
                    session.endStroke();
                    // Memory would otherwise grow with the run's length.
                    state.PauseTiming();
                    session.clearHistory();
                    state.ResumeTiming();
                    session.beginStroke();
                }
                session.DoEffekt(p);
                session.renderChanged(scene.messages);
                break;
        }
        benchmark::ClobberMemory();
    }
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
            const double plain = find("step/" + big);
            const double recorded = find("step_recorded/" + big);
            const double copied = find("step_whole_copy/" + big);
            const double undo = find("undo_redo/" + big) / 2;
            const double undoSmall = find("undo_redo/" + small) / 2;
            const double undoCopy = find("undo_redo_whole_copy/" + big) / 2;
            std::printf(
                "R %-3s step %.4f  recorded %.4f (+%.1f %%)  whole copy %.4f (+%.1f %%)\n"
                "      undo or redo %.3f  (1 MP %.3f, 24 MP / 1 MP = %.2f)  whole copy %.1f\n",
                radius, plain, recorded, plain > 0 ? 100 * (recorded / plain - 1) : 0, copied,
                plain > 0 ? 100 * (copied / plain - 1) : 0, undo, undoSmall,
                undoSmall > 0 ? undo / undoSmall : 0, undoCopy);
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Ten whole strokes in every run, so that each way meets the same fields:
    // a dab's cost depends on how bent the field it reads is.
    const auto tenStrokes = [](benchmark::internal::Benchmark* b) {
        bench::TwoSizesTwoRadii(b);
        b->Iterations(640);
    };
    benchmark::RegisterBenchmark("step", BM_Step, Keeping::Nothing)->Apply(tenStrokes);
    benchmark::RegisterBenchmark("step_recorded", BM_Step, Keeping::Recorded)->Apply(tenStrokes);
    benchmark::RegisterBenchmark("step_whole_copy", BM_Step, Keeping::WholeCopy)->Apply(tenStrokes);
    benchmark::RegisterBenchmark("undo_redo", BM_UndoRedo)->Apply(bench::TwoSizesTwoRadii);
    benchmark::RegisterBenchmark("undo_redo_whole_copy", BM_UndoRedoWholeCopy)
        ->Apply(bench::TwoSizesTwoRadii);
    RatioReporter reporter;
    return bench::RunAndPrintRatios(argc, argv, reporter);
}
