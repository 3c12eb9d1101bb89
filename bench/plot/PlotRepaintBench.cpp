#include "plot/OPfpdPlot.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace veltrane;

namespace {

constexpr int kTriggerLevel = 5000;

// A pulse shaped like the detector's: a prompt peak, a delayed emission and some noise.
PulseRecord MakePulse(int n) {
    PulseRecord pulse;
    pulse.periodCopy = 30;
    pulse.timeCounter = static_cast<std::uint32_t>(n * 30);
    for (int i = 0; i < kPulseSamples; ++i) {
        const double t = i * 0.1;
        double value = 1500.0 + 200.0 * std::sin(i * 0.7 + n);
        if (t > 1.0)
            value += 40000.0 * std::exp(-(t - 1.0) / 1.5);
        if (t > 4.0)
            value += 12000.0 * (1.0 - std::exp(-(t - 4.0))) * std::exp(-(t - 4.0) / 6.0);
        pulse.samples[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(std::min(value, 65535.0));
    }
    return pulse;
}

std::unique_ptr<OPfpdPlot> MakePlot(int width, int height, bool reference = true) {
    auto plot = std::make_unique<OPfpdPlot>();
    plot->resize(width, height);
    plot->SetGridLines(true);
    plot->show();
    QApplication::processEvents();
    plot->AddPulse(MakePulse(0), kTriggerLevel);
    if (reference)
        plot->HoldReference(0);
    plot->Render();
    return plot;
}

std::vector<PulseRecord> SomePulses() {
    std::vector<PulseRecord> pulses;
    for (int n = 0; n < 16; ++n)
        pulses.push_back(MakePulse(n));
    return pulses;
}

// New pulse, then the off-screen pixmap brought up to date (what a paint does before its copy).
// The third argument says whether a reference is held (a second trace to draw). The plot is
// hidden, so the pulse leaves its drawing to Render and nothing reaches a window.
void BM_PulseRepaint(benchmark::State& state) {
    auto plot =
        MakePlot(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), state.range(2) != 0);
    plot->hide();
    const std::vector<PulseRecord> pulses = SomePulses();
    std::size_t next = 0;
    for (auto _ : state) {
        plot->AddPulse(pulses[next++ % pulses.size()], kTriggerLevel);
        plot->Render();
    }
}

// A pulse on the shown plot through to the window: the drawing, then the paint that the
// event loop runs and the flush to the screen. The third argument is the reference again; with
// the fourth set the whole viewport is invalidated each pulse, as it was before the plot
// repainted only what changed.
void BM_PulseRepaintWithWindow(benchmark::State& state) {
    auto plot =
        MakePlot(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), state.range(2) != 0);
    const bool whole = state.range(3) != 0;
    const std::vector<PulseRecord> pulses = SomePulses();
    std::size_t next = 0;
    for (auto _ : state) {
        plot->AddPulse(pulses[next++ % pulses.size()], kTriggerLevel);
        if (whole)
            plot->viewport()->update();
        QApplication::processEvents();
    }
}

// The whole plot drawn from nothing: axes, labels, grid, frame and traces.
void BM_FullRedraw(benchmark::State& state) {
    auto plot = MakePlot(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::size_t next = 0;
    for (auto _ : state) {
        plot->SetAttenuationFactor(next++ % 2 == 0 ? 128 : 256); // a new full scale redraws everything
        plot->Render();
    }
}

// The floor: a bare 250-point polyline on a pixmap of the same size.
void BM_BarePolyline(benchmark::State& state) {
    auto plot = MakePlot(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    QPixmap pixmap(plot->Surface().size());
    pixmap.fill(Qt::white);
    std::vector<QPoint> points(kPulseSamples);
    const PulseRecord pulse = MakePulse(1);
    const int w = pixmap.width();
    const int h = pixmap.height();
    for (int i = 0; i < kPulseSamples; ++i)
        points[static_cast<std::size_t>(i)] = QPoint(i * w / kPulseSamples, h - pulse.samples[i] * h / 70000);
    for (auto _ : state) {
        QPainter painter(&pixmap);
        painter.setPen(QPen(Qt::red, 1));
        painter.drawPolyline(points.data(), kPulseSamples);
    }
}

void Sizes(benchmark::internal::Benchmark* bench) {
    bench->Args({640, 480})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_BarePolyline)->Apply(Sizes);
BENCHMARK(BM_PulseRepaint)
    ->Args({640, 480, 0})
    ->Args({640, 480, 1})
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PulseRepaintWithWindow)
    ->Args({640, 480, 0, 0})
    ->Args({640, 480, 1, 0})
    ->Args({640, 480, 1, 1})
    ->Args({1920, 1080, 0, 0})
    ->Args({1920, 1080, 1, 0})
    ->Args({1920, 1080, 1, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullRedraw)->Apply(Sizes);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
