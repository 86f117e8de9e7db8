// SPDX-License-Identifier: GPL-3.0-or-later
// The editing view of a 24-megapixel picture (6000 x 4000) in an 800 x 600
// viewport, drawn into its backing image and repainted whole, and the
// progress bar taking one value per row of a 4000-row run.
#include <QScrollArea>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include "draw_bench_support.h"
#include "editor/views/edit_canvas.h"
#include "editor/views/progress_status_bar.h"
#include "qt_bench_support.h"

namespace {

using namespace grimora;
using bench::EnsureApplication;
using bench::ShowExposed;

// Zoom 0.2 (10 : 50) gives a 1200 x 800 view; zoom 10 (100 : 10) a
// 60 000 x 40 000 one, scrolled to its middle.
ZoomRatio zoomFor(int64_t tenths) {
    return tenths < 10 ? ZoomRatio{10, static_cast<int32_t>(100 / tenths)}
                       : ZoomRatio{static_cast<int32_t>(tenths), 10};
}

struct EditingPage {
    explicit EditingPage(ZoomRatio zoom) {
        const Dib& picture = bigPicture();
        area.resize(800, 600);
        area.setWidget(canvas);
        canvas->setPicture(&picture, zoom);
        canvas->setViewSize(ViewLength(6000, zoom), ViewLength(4000, zoom));
        ShowExposed(area);
        area.horizontalScrollBar()->setValue(area.horizontalScrollBar()->maximum() / 2);
        area.verticalScrollBar()->setValue(area.verticalScrollBar()->maximum() / 2);
        QCoreApplication::processEvents();
    }
    QScrollArea area;
    EditCanvas* canvas = new EditCanvas;
};

void BM_EditCanvasDrawPicture(benchmark::State& state) {
    EnsureApplication();
    EditingPage page(zoomFor(state.range(0)));
    for (auto _ : state) {
        page.canvas->drawPicture();
        benchmark::DoNotOptimize(page.canvas->backing().constBits());
    }
}
BENCHMARK(BM_EditCanvasDrawPicture)
    ->ArgName("zoom_tenths")
    ->Arg(2)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond);

// What Qt's repaint of the whole view costs when the window answers it with
// the paint step: the picture drawn again and copied to the screen.
void BM_EditCanvasRepaint(benchmark::State& state) {
    EnsureApplication();
    EditingPage page(zoomFor(2));
    QObject::connect(page.canvas, &EditCanvas::paintRequested, page.canvas,
                     &EditCanvas::drawPicture);
    for (auto _ : state) {
        page.canvas->repaint();
    }
}
BENCHMARK(BM_EditCanvasRepaint)->Unit(benchmark::kMillisecond);

void BM_ProgressRun(benchmark::State& state) {
    EnsureApplication();
    ProgressStatusBar bar;
    bar.resize(638, ProgressStatusBar::kHeight);
    ShowExposed(bar);
    for (auto _ : state) {
        for (int row = 0; row < 4000; ++row) {
            bar.SetProStatus(row * 100 / 4000);
        }
        bar.SetProStatus(0);
    }
    state.SetItemsProcessed(state.iterations() * 4001);
}
BENCHMARK(BM_ProgressRun)->Unit(benchmark::kMillisecond);

}  // namespace
