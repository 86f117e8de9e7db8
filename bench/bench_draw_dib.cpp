// SPDX-License-Identifier: GPL-3.0-or-later
// Drawing a 24-megapixel picture (6000 x 4000) into a 1600 x 1000 view on the
// memory device: the row-by-row path that screens take, and for comparison
// the device's own stretch that printers take.
#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "draw_bench_support.h"
#include "picture/draw_dib.h"
#include "picture/memory_device.h"
#include "picture/owned_dib.h"

namespace {

using namespace grimora;

void BM_DrawDibRows(benchmark::State& state) {
    const Dib& pic = bigPicture();
    MemoryDevice view(1600, 1000);
    QuietMessages messages;
    for (auto _ : state) {
        DrawDib(view, 0, 0, 1600, 1000, pic, 0, 0, 6000, 4000, true, RasterOp::SrcCopy, true,
                nullptr, messages);
        benchmark::DoNotOptimize(view.data());
    }
}
BENCHMARK(BM_DrawDibRows)->Unit(benchmark::kMillisecond);

void BM_MemoryStretchDIBits(benchmark::State& state) {
    const Dib& pic = bigPicture();
    MemoryDevice view(1600, 1000);
    for (auto _ : state) {
        view.stretchDIBits(0, 0, 1600, 1000, 0, 0, 6000, 4000, pic.bits, *pic.info,
                           RasterOp::SrcCopy);
        benchmark::DoNotOptimize(view.data());
    }
}
BENCHMARK(BM_MemoryStretchDIBits)->Unit(benchmark::kMillisecond);

}  // namespace
