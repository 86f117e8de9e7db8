// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo of a load in the program as it runs: two 24-megapixel
// pictures taken one after the other, then the second load undone and redone
// again through the window's handlers (session, views, information boxes and
// preview, on the offscreen platform, events processed). Beside it in the
// same run, the plain way that takes the picture again as a load does.
#include <cstring>
#include <memory>
#include <utility>

#include <QApplication>

#include <benchmark/benchmark.h>

#include "app/main_form.h"
#include "load_bench_support.h"
#include "picture/owned_dib.h"
#include "qt_bench_support.h"

namespace grimora {
namespace {

OwnedDib Photo() {
    OwnedDib picture;
    bench::MakeSyntheticPhoto(picture);
    return picture;
}

// Two loads in the window, on the editing page.
std::unique_ptr<TMainForm> TwoLoads() {
    bench::EnsureApplication();
    auto form = std::make_unique<TMainForm>();
    bench::ShowExposed(*form);
    form->PageControl2->setCurrentIndex(1);
    form->takePicture(Photo());
    form->takePicture(Photo());
    QCoreApplication::processEvents();
    return form;
}

// One undo or one redo per iteration, in turn.
void BM_UndoLoad(benchmark::State& state) {
    const std::unique_ptr<TMainForm> form = TwoLoads();
    bool undo = true;
    for (auto _ : state) {
        if (undo) {
            form->UndoBtnClick();
        } else {
            form->RedoBtnClick();
        }
        undo = !undo;
        QCoreApplication::processEvents();
    }
}

// The plain way back: the previous picture kept as a copy and taken again.
void BM_TakeAgain(benchmark::State& state) {
    const std::unique_ptr<TMainForm> form = TwoLoads();
    const OwnedDib photo = Photo();
    for (auto _ : state) {
        state.PauseTiming();
        OwnedDib copy;
        copy.make(bench::kPhotoWidth, bench::kPhotoHeight, 24);
        std::memcpy(copy->bits, photo->bits, photo->info->bmiHeader.biSizeImage);
        state.ResumeTiming();
        form->takePicture(std::move(copy));
        QCoreApplication::processEvents();
    }
}

BENCHMARK(BM_UndoLoad)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_TakeAgain)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true);

}  // namespace
}  // namespace grimora
