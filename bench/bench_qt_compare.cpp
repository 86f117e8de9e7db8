// SPDX-License-Identifier: GPL-3.0-or-later
// Moving the compare divider over the editing view as the page shows it: a
// 6000 x 4000 picture at zoom 0.2 in an 800 x 600 viewport on an offscreen
// surface, the divider dragged 40 view pixels at a time, each move drawn and
// painted. Beside it in the same run, the plain way: the whole visible part
// drawn again for each move.
#include <benchmark/benchmark.h>

#include "editor/views/edit_canvas.h"
#include "picture/dib_queries.h"
#include "qt_bench_support.h"
#include "warp/effect.h"
#include "warp/render.h"
#include "warp_bench_support.h"

namespace {

using namespace grimora;

constexpr ZoomRatio kZoom{10, 50};

void BM_MoveDivider(benchmark::State& state, bool whole) {
    bench::EnsureApplication();
    bench::Scene scene(6000, 4000);
    EffectParams p;
    p.centreX = 3000;
    p.centreY = 2000;
    p.radius = 300;
    DoEffekt(scene.field, p);
    renderdi(scene.source.get(), scene.field, scene.result, scene.messages);
    bench::EditingPage page(ViewLength(6000, kZoom), ViewLength(4000, kZoom));
    page.canvas->setPicture(&scene.result.get(), kZoom);
    CanvasExtras extras;
    extras.source = &scene.source.get();
    extras.compare = true;
    page.canvas->setExtras(extras);
    page.canvas->drawPicture();
    QCoreApplication::processEvents();
    const int32_t middle = page.canvas->divider();
    int step = 0;
    for (auto _ : state) {
        page.canvas->setDivider(middle + (step++ % 2 == 0 ? 40 : -40));
        if (whole) {
            page.canvas->drawPicture();
        }
        QCoreApplication::processEvents();
    }
}

BENCHMARK_CAPTURE(BM_MoveDivider, strip, false)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_MoveDivider, whole_view, true)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace
