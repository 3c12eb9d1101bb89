#pragma once

#include "live/LiveChromatogram.h"

#include <QDockWidget>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QLabel;

namespace veltrane {

class OFloatArray;
class OPlot;
struct ConfigurationBlock;

// The chromatogram of the current GC run beside the live view, both channels re-gated with
// their gate modes as each pulse arrives. A pulse only re-gates; drawing waits for a slow timer
// (at most kRedrawsPerSecond a second), which also follows the configuration's gate modes.
// Closed, the panel does no work at all.
class LiveChromatogramPanel : public QDockWidget {
    Q_OBJECT
public:
    static constexpr int kRedrawsPerSecond = 4;

    LiveChromatogramPanel(std::function<ConfigurationBlock()> configuration, QWidget* parent = nullptr);
    ~LiveChromatogramPanel() override;

    // Every pulse the live cycle receives.
    void AddPulse(const PulseRecord& record);
    // Takes the gate modes of the configuration now (re-gating when they changed) and redraws.
    void Refresh();

    const LiveChromatogram& Chromatogram() const { return chromatogram_; }
    OPlot* Plot() { return plot_; }
    // Points drawn of a channel at the last redraw.
    int DrawnPoints(int channel) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void FollowConfiguration();
    void Redraw();

    std::function<ConfigurationBlock()> configuration_;
    LiveChromatogram chromatogram_;
    OPlot* plot_ = nullptr;
    QLabel* info_ = nullptr;
    std::array<OFloatArray*, LiveChromatogram::kChannels> x_{};
    std::array<OFloatArray*, LiveChromatogram::kChannels> y_{};
    std::vector<LiveChromatogram::Point> points_; // reused by every redraw
    std::uint64_t drawnRevision_ = ~std::uint64_t{0};
    bool missedPulses_ = false;
    QTimer timer_;
};

} // namespace veltrane
