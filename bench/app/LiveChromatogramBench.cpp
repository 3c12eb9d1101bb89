// What the live chromatogram costs the live cycle: re-gating one pulse of a run under way, the
// same with the panel's redraw and paint after it (at the usual 3 to 7 pulses a second and at
// most four redraws a second, about one redraw per pulse), and re-gating a whole held run after
// a gate mode changed.

#include "app/LiveChromatogramPanel.h"
#include "config/ConfigurationBlock.h"
#include "live/LiveChromatogram.h"
#include "plot/OPlot.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

using namespace veltrane;

namespace {

// A pulse shaped like the detector's, its delayed emission following a peak every 2000 pulses.
PulseRecord MakePulse(std::size_t n) {
    PulseRecord pulse;
    pulse.timeCounter = static_cast<std::uint32_t>(n * 30);
    pulse.statusWord = kStatusGcRunLevel;
    const double peak = 1.0 + 40.0 * std::exp(-std::pow((static_cast<double>(n % 2000) - 1000.0) / 60.0, 2));
    std::uint32_t noise = static_cast<std::uint32_t>(n) * 2654435761u;
    for (int i = 0; i < kPulseSamples; ++i) {
        const double t = i * 0.1 - 1.0;
        double value = 180.0;
        if (t >= 0.0) {
            value +=
                9000.0 * std::exp(-t / 1.2) + 300.0 * peak * (1.0 - std::exp(-t / 2.0)) * std::exp(-t / 8.0);
        }
        noise = noise * 1664525u + 1013904223u;
        value += static_cast<double>(noise >> 27);
        pulse.samples[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(std::min(value, 65535.0));
    }
    return pulse;
}

// Pulses made once: making them would cost more than gating them.
const std::vector<PulseRecord>& Pulses() {
    static const std::vector<PulseRecord> pulses = [] {
        std::vector<PulseRecord> made;
        for (std::size_t n = 0; n < 4096; ++n) {
            made.push_back(MakePulse(n));
        }
        return made;
    }();
    return pulses;
}

PulseRecord PulseAt(std::size_t n) {
    PulseRecord pulse = Pulses()[n % Pulses().size()];
    pulse.timeCounter = static_cast<std::uint32_t>(n * 30);
    return pulse;
}

ConfigurationBlock Configuration(float alpha = 0.8f) {
    ConfigurationBlock block;
    GateMode s;
    s.name = 0;
    s.startA = 4.0f;
    s.stopA = 15.0f;
    s.alpha = alpha;
    s.startB = 18.0f;
    s.stopB = 24.0f;
    s.squareRoot = 1;
    GateMode p = s;
    p.name = 1;
    p.startA = 1.0f;
    p.stopA = 4.0f;
    p.squareRoot = 0;
    block.gateModes = {s, p};
    block.channels[0].gateModeName = 0;
    block.channels[0].gateModeSuffix = s.suffix;
    block.channels[1].gateModeName = 1;
    block.channels[1].gateModeSuffix = p.suffix;
    block.board.triggerLevel = 1000;
    return block;
}

std::array<RegateSettings, 2> Settings(const ConfigurationBlock& block) {
    return {SettingsForChannel(block, 0), SettingsForChannel(block, 1)};
}

// Arg: pulses of the run so far (1000: five minutes at 3.3 Hz; 36000: three hours, every pulse
// held and the buckets merged many times over).
void BM_RegateOnePulse(benchmark::State& state) {
    LiveChromatogram live;
    live.SetSettings(Settings(Configuration()));
    std::size_t n = 0;
    for (; n < static_cast<std::size_t>(state.range(0)); ++n) {
        live.Add(PulseAt(n));
    }
    for (auto _ : state) {
        live.Add(PulseAt(n++));
    }
    benchmark::DoNotOptimize(live.Revision());
}
BENCHMARK(BM_RegateOnePulse)->Arg(1000)->Arg(36000)->Unit(benchmark::kMicrosecond);

// A pulse as the panel takes it, then the redraw that follows it: points gathered, the plot
// painted at the panel's usual size.
void BM_PanelPulseAndRedraw(benchmark::State& state) {
    LiveChromatogramPanel panel([] { return Configuration(); });
    panel.resize(640, 280);
    panel.show();
    std::size_t n = 0;
    for (; n < static_cast<std::size_t>(state.range(0)); ++n) {
        panel.AddPulse(PulseAt(n));
    }
    OPlot* plot = panel.Plot();
    QImage image(plot->viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        panel.AddPulse(PulseAt(n++));
        panel.Refresh();
        QPainter painter(&image);
        plot->DrawPlot(painter, image.size());
    }
    state.counters["points"] = panel.DrawnPoints(0);
}
BENCHMARK(BM_PanelPulseAndRedraw)->Arg(1000)->Arg(36000)->Unit(benchmark::kMicrosecond);

// A gate mode edited or received during a three-hour run: every held pulse re-gated.
void BM_RegateHeldRunAfterGateChange(benchmark::State& state) {
    LiveChromatogram live;
    live.SetSettings(Settings(Configuration()));
    for (std::size_t n = 0; n < LiveChromatogram::kHeldPulses; ++n) {
        live.Add(PulseAt(n));
    }
    bool other = false;
    for (auto _ : state) {
        other = !other;
        live.SetSettings(Settings(Configuration(other ? 0.5f : 0.8f)));
    }
    benchmark::DoNotOptimize(live.Revision());
}
BENCHMARK(BM_RegateHeldRunAfterGateChange)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
