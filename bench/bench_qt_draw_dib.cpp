// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing a 24-megapixel picture (6000 x 4000) into a 1600 x 1000 view on the
// Qt device, onto an offscreen image: the rows collected into one image, and
// drawn one call a row.
#include <cstdint>
#include <string>

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include "draw_bench_support.h"
#include "picture/draw_dib.h"
#include "picture/owned_dib.h"
#include "platform/qt_device_context.h"

namespace {

using namespace grimora;

void BM_QtDrawDib(benchmark::State& state) {
    const Dib& pic = bigPicture();
    QImage view(1600, 1000, QImage::Format_RGB32);
    view.fill(Qt::white);
    QPainter painter(&view);
    QuietMessages messages;
    for (auto _ : state) {
        QtDeviceContext dc(painter);
        dc.setCollectRows(state.range(0) != 0);
        DrawDib(dc, 0, 0, 1600, 1000, pic, 0, 0, 6000, 4000, true, RasterOp::SrcCopy, true, nullptr,
                messages);
        benchmark::DoNotOptimize(view.constBits());
    }
}
BENCHMARK(BM_QtDrawDib)->ArgName("collect")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_QtStretchDIBits(benchmark::State& state) {
    const Dib& pic = bigPicture();
    QImage view(1600, 1000, QImage::Format_RGB32);
    QPainter painter(&view);
    for (auto _ : state) {
        QtDeviceContext dc(painter);
        dc.stretchDIBits(0, 0, 1600, 1000, 0, 0, 6000, 4000, pic.bits, *pic.info,
                         RasterOp::SrcCopy);
        benchmark::DoNotOptimize(view.constBits());
    }
}
BENCHMARK(BM_QtStretchDIBits)->Unit(benchmark::kMillisecond);

}  // namespace
