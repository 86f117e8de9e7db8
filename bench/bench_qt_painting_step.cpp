// SPDX-License-Identifier: GPL-3.0-or-later
// One painting step as the editing page runs it, on an offscreen Qt surface,
// at zoom 0.2 in an 800 x 600 viewport: a mouse move during a stroke (outline
// erased, dab, render of the changed rectangle, repaint of the part of the
// view that shows it, outline drawn) and the paint event that puts it on the
// surface. Against it, on the same dabs in the same run, the plain way: the
// reference dab with its own whole repaint, a whole render, a whole repaint.
// 6000 x 4000 and 1200 x 833, radius 50 and 300. Prints the ratios of the
// medians at the end.
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <QScrollArea>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include "editor/stroke_controller.h"
#include "editor/views/edit_canvas.h"
#include "editor/warp_session.h"
#include "picture/dib_queries.h"
#include "qt_bench_support.h"
#include "warp/effect_reference.h"
#include "warp/render.h"
#include "warp_bench_support.h"

namespace {

using namespace grimora;

constexpr ZoomRatio kZoom{10, 50};  // the zoom field at 0.2

using Page = bench::EditingPage;

// The main window's part of a step: drawing goes to the canvas.
class PageHost : public EditorHost {
public:
    PageHost(EditCanvas& canvas, const WarpSession& session) : canvas_(canvas), session_(session) {}
    void showMessage(const std::string&) override {}
    void captureMouse() override {}
    void releaseMouse() override {}
    void setTimerEnabled(bool) override {}
    void drawOutline(const OutlineRect& r) override { canvas_.drawOutline(r); }
    void eraseOutline(const OutlineRect& r) override { canvas_.eraseOutline(r); }
    void drawPicture() override { canvas_.drawPicture(); }
    void drawPictureRect(const DabRect& r) override { canvas_.drawPictureRect(r); }
    void setViewSize(int64_t w, int64_t h) override {
        canvas_.setPicture(&session_.result(), session_.zoom());
        canvas_.setViewSize(w, h);
    }
    void SetProStatus(int32_t percent) override { benchmark::DoNotOptimize(percent); }

private:
    EditCanvas& canvas_;
    const WarpSession& session_;
};

// 64 mouse positions wandering within 100 picture pixels of the picture's
// centre (20 view pixels at 0.2), a few pixels apart, as a hand moves.
std::vector<ViewPoint> MousePath(int32_t width, int32_t height) {
    const auto cx = static_cast<int32_t>(ViewLength(width / 2, kZoom));
    const auto cy = static_cast<int32_t>(ViewLength(height / 2, kZoom));
    std::vector<ViewPoint> path;
    for (int k = 0; k < 64; ++k) {
        path.push_back({cx + (k * 7) % 41 - 20, cy + (k * 11) % 41 - 20});
    }
    return path;
}

void BM_Step(benchmark::State& state, bool reference) {
    bench::EnsureApplication();
    const auto width = static_cast<int32_t>(state.range(0));
    const auto height = static_cast<int32_t>(state.range(1));
    BrushSettings brush;
    brush.radius = static_cast<double>(state.range(2));
    brush.zoom = 0.2;
    const std::vector<ViewPoint> path = MousePath(width, height);
    std::size_t next = 1;
    Page page(ViewLength(width, kZoom), ViewLength(height, kZoom));

    if (reference) {
        bench::Scene scene(width, height);
        page.canvas->setPicture(&scene.result.get(), kZoom);
        for (auto _ : state) {
            const ViewPoint previous = path[(next - 1) % path.size()];
            const ViewPoint current = path[next++ % path.size()];
            const EffectParams p = PaintingStepParams(current, previous, brush, kZoom, height);
            // The plain step: the dab with its progress and its own whole
            // repaint, the whole render, the whole repaint.
            DoEffektReference(scene.field, p);
            ForEachDabProgress(p, width, height,
                               [](int32_t percent) { benchmark::DoNotOptimize(percent); });
            page.canvas->drawPicture();
            renderdi(scene.source.get(), scene.field, scene.result, scene.messages);
            page.canvas->drawPicture();
            QCoreApplication::processEvents();
        }
        return;
    }

    WarpSession session;
    PageHost host(*page.canvas, session);
    bench::QuietMessages messages;
    // The reference's picture, as a load hands it over.
    OwnedDib source;
    source.make(width, height, 24);
    for (int32_t r = 0; r < height; ++r) {
        uint8_t* row = DibRow(source.get(), r);
        for (int32_t k = 0; k < 3 * width; ++k) {
            row[k] = static_cast<uint8_t>(r * 7 + k * 13);
        }
    }
    session.loadPicture(std::move(source), messages);
    StrokeController controller(session, host);
    controller.ZoomEdChange("0.2");
    controller.PaintBox1MouseDown(path[0].x, path[0].y, brush);
    QCoreApplication::processEvents();
    for (auto _ : state) {
        const ViewPoint current = path[next++ % path.size()];
        controller.PaintBox1MouseMove(current.x, current.y, brush);
        QCoreApplication::processEvents();
    }
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (const int radius : {50, 300}) {
        b->Args({6000, 4000, radius});
        b->Args({1200, 833, radius});
    }
    b->ArgNames({"w", "h", "R"})->Unit(benchmark::kMillisecond)->Repetitions(3);
    b->ReportAggregatesOnly(true)->UseRealTime();
}

// Prints the ratios of the medians once all have run.
class RatioReporter : public bench::MedianReporter {
public:
    void PrintRatios() const {
        std::printf("\nPainting step at zoom 0.2, ratios of medians (ms):\n");
        for (const char* radius : {"50", "300"}) {
            for (const char* size : {"w:6000/h:4000", "w:1200/h:833"}) {
                const std::string args = std::string(size) + "/R:" + radius;
                const double fast = find("step/" + args);
                const double ref = find("reference_step/" + args);
                if (fast > 0) {
                    std::printf("%-14s R %-3s  step %8.4f  reference %9.3f  reference/step %7.1f\n",
                                size, radius, fast, ref, ref > 0 ? ref / fast : 0);
                }
            }
            const double big = find(std::string("step/w:6000/h:4000/R:") + radius);
            const double small = find(std::string("step/w:1200/h:833/R:") + radius);
            if (big > 0 && small > 0) {
                std::printf("R %-3s  24 MP / 1 MP = %.3f\n", radius, big / small);
            }
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::RegisterBenchmark("step", BM_Step, false)->Apply(Sizes);
    // The plain way costs a quarter of a second a step on 24 MP: a few are enough.
    benchmark::RegisterBenchmark("reference_step", BM_Step, true)->Apply(Sizes)->Iterations(6);
    RatioReporter reporter;
    return bench::RunAndPrintRatios(argc, argv, reporter);
}
