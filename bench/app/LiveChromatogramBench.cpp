// What the live chromatogram costs the live cycle: re-gating one pulse of a run under way, the
// same with the panel's redraw and paint after it (at the usual 3 to 7 pulses a second and at
// most four redraws a second, about one redraw per pulse), and re-gating a whole held run after
// a gate mode changed.

#include "app/LiveChromatogramPanel.h"
#include "config/ConfigurationBlock.h"
#include "live/LiveChromatogram.h"
#include "plot/OPlot.h"
#include "sim/Chromatogram.h"
#include "sim/PulseModel.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

using namespace veltrane;

namespace {

// The emulator's pulses through its sample chromatogram, one run of 4096 pulses at 3.3 Hz.
PulseRecord MakePulse(std::size_t n, PulseModel& model) {
    constexpr double kRate = 3.3;
    static const SampleChromatogram sample(4096 / kRate);
    const Elution elution = sample.At(static_cast<double>(n) / kRate);
    PulseConditions conditions;
    conditions.hydrocarbon = 1.0 + elution.hydrocarbon;
    conditions.phosphorus = elution.phosphorus;
    conditions.sulfur = elution.sulfur;
    PulseRecord pulse;
    pulse.statusWord = kStatusGcRunLevel;
    pulse.samples = model.Synthesize(conditions);
    return pulse;
}

// Pulses made once: making them would cost more than gating them.
const std::vector<PulseRecord>& Pulses() {
    static const std::vector<PulseRecord> pulses = [] {
        std::vector<PulseRecord> made;
        PulseModel model;
        for (std::size_t n = 0; n < 4096; ++n) {
            made.push_back(MakePulse(n, model));
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

// Channel 1 "A - alpha*B" with the square root after the baseline, channel 2 the prompt light alone.
ConfigurationBlock Configuration(float alpha = 0.8f) {
    ConfigurationBlock block;
    const float gates[2][4] = {{4.0f, 15.0f, 18.0f, 24.0f}, {1.0f, 4.0f, 18.0f, 24.0f}};
    for (int c = 0; c < 2; ++c) {
        GateMode mode;
        mode.name = static_cast<std::int16_t>(c);
        mode.startA = gates[c][0];
        mode.stopA = gates[c][1];
        mode.startB = gates[c][2];
        mode.stopB = gates[c][3];
        mode.alpha = c == 0 ? alpha : 0.0f;
        mode.squareRoot = c == 0 ? 1 : 0;
        block.gateModes.push_back(mode);
        block.channels[static_cast<std::size_t>(c)].gateModeName = mode.name;
    }
    block.board.triggerLevel = 50;
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
