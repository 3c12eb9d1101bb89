// Opening a day's recording in the viewer window, to its first picture, beside the plain read
// that RegateBench.cpp measures in the same run.

#include "CorvanetWindow.h"
#include "DayFile.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace veltrane;

// A fresh window each time, shown, then the file opened and the window painted (offscreen):
// the read, the checks, the pulse plot's scale, the re-gated chromatogram and the paint.
void OpenDayToFirstPicture(benchmark::State& state) {
    const QString path = QString::fromStdString(bench::DayFile());
    std::size_t pulses = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<corvanet::CorvanetWindow>();
        window->resize(1280, 900);
        window->show();
        QApplication::processEvents();
        state.ResumeTiming();
        if (!window->OpenFile(path)) {
            state.SkipWithError("the day file did not open");
            return;
        }
        window->repaint();
        QApplication::processEvents();
        state.PauseTiming();
        pulses = window->File().pulses.size();
        window.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["pulses"] = static_cast<double>(pulses);
}
BENCHMARK(OpenDayToFirstPicture)->Unit(benchmark::kMillisecond)->Iterations(5);

// Re-gating from the window's own button path, as when the user edits a gate with the file open.
void RegateDayInWindow(benchmark::State& state) {
    corvanet::CorvanetWindow window;
    window.resize(1280, 900);
    window.show();
    if (!window.OpenFile(QString::fromStdString(bench::DayFile()))) {
        state.SkipWithError("the day file did not open");
        return;
    }
    QApplication::processEvents();
    for (auto _ : state) {
        window.RunRegate();
        window.repaint();
        QApplication::processEvents();
    }
}
BENCHMARK(RegateDayInWindow)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
