// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up to the first painted main window: the window's construction
// (layout, white start pictures, field, render, the picture page's folder
// views), show, and the first paint flushed to the screen. Run under Xvfb
// (QT_QPA_PLATFORM=xcb) for the figure; offscreen otherwise.
//
// With GRIMORA_BENCH_STARTUP_ONCE set, the program instead starts as the
// program does (application, title, screen depth), shows the window, waits
// for its first paint, prints the milliseconds from the application's
// creation and leaves: startup_time.sh times such runs from outside, process
// start and dynamic loading included.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QApplication>
#include <QEvent>

#include <benchmark/benchmark.h>

#include "app/main_form.h"
#include "platform/qt_screen_depth.h"
#include "qt_bench_support.h"

namespace grimora {
namespace {

// Sees the first paint event of any widget of the watched window.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(const QWidget*& window) : window_(window) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~FirstPaint() override { QCoreApplication::instance()->removeEventFilter(this); }
    bool seen = false;

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() == QEvent::Paint && window_ != nullptr) {
            const auto* widget = qobject_cast<const QWidget*>(target);
            if (widget != nullptr && widget->window() == window_) {
                seen = true;
            }
        }
        return false;
    }

private:
    const QWidget*& window_;
};

// Constructs and shows the window and returns once its first paint has been
// delivered and flushed (the paint and the flush run in one pass of the
// event loop). False when nothing was painted within many passes.
bool ShowUntilPainted(std::unique_ptr<TMainForm>& form) {
    const QWidget* window = nullptr;
    FirstPaint paint(window);
    form = std::make_unique<TMainForm>();
    window = form.get();
    form->show();
    for (int pass = 0; pass < 100000 && !paint.seen; ++pass) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return paint.seen;
}

void BM_StartupToFirstPaint(benchmark::State& state) {
    bench::EnsureApplication();
    for (auto _ : state) {
        std::unique_ptr<TMainForm> form;
        if (!ShowUntilPainted(form)) {
            state.SkipWithError("the window was never painted");
            return;
        }
        state.PauseTiming();
        form.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupToFirstPaint)->Unit(benchmark::kMillisecond)->Repetitions(3);

const bool kRunOnce = [] {
    if (std::getenv("GRIMORA_BENCH_STARTUP_ONCE") == nullptr) {
        return false;
    }
    const auto start = std::chrono::steady_clock::now();
    static int argc = 1;
    static char name[] = "bench_qt_startup";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    InstallQtScreenDepth();
    QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
    QApplication::setApplicationDisplayName(QString::fromUtf8(kApplicationTitle));
    std::unique_ptr<TMainForm> form;
    const bool painted = ShowUntilPainted(form);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.1f\n", ms);
    std::fflush(stdout);
    std::_Exit(painted ? 0 : 1);
}();

}  // namespace
}  // namespace grimora
