#include "app/LiveChromatogramPanel.h"

#include "config/ConfigurationBlock.h"
#include "config/Vocabulary.h"
#include "plot/OFloatArray.h"
#include "plot/OPlot.h"
#include "plot/PlotConstants.h"
#include "plot/PlotTrace.h"

#include <QColor>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace veltrane {

namespace {

std::string ChannelTitle(int channel) {
    return "Channel " + std::to_string(channel + 1);
}

} // namespace

LiveChromatogramPanel::LiveChromatogramPanel(std::function<ConfigurationBlock()> configuration,
                                             QWidget* parent)
    : QDockWidget(QStringLiteral("Live Chromatogram"), parent), configuration_(std::move(configuration)) {
    setObjectName(QStringLiteral("liveChromatogram"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    plot_ = new OPlot(body);
    plot_->setObjectName(QStringLiteral("liveChromatogramPlot"));
    plot_->Model().legendShown = false;
    for (int c = 0; c < LiveChromatogram::kChannels; ++c) {
        auto trace = std::make_unique<PlotTrace>(2, 1);
        trace->name = ChannelTitle(c);
        trace->xTitle = "min";
        trace->yTitle = ChannelTitle(c); // different titles: each channel gets its own axis
        trace->hasX = true;
        trace->ownsArrays = true;
        trace->symbol = 0;
        for (OFloatArray** array : {&x_[static_cast<std::size_t>(c)], &y_[static_cast<std::size_t>(c)]}) {
            *array = new OFloatArray;
            (*array)->SetSize(0, 1024);
        }
        trace->xValues = x_[static_cast<std::size_t>(c)];
        trace->yValues = y_[static_cast<std::size_t>(c)];
        trace->SetRange(0.0f, 0.0f, 1.0f, 1.0f);
        plot_->AddTrace(std::move(trace));
    }
    info_ = new QLabel(body);
    info_->setObjectName(QStringLiteral("liveChromatogramInfo"));
    info_->setTextFormat(Qt::RichText);
    layout->addWidget(plot_, 1);
    layout->addWidget(info_);
    setWidget(body);
    setMinimumSize(320, 200);

    timer_.setInterval(1000 / kRedrawsPerSecond);
    connect(&timer_, &QTimer::timeout, this, &LiveChromatogramPanel::Refresh);
}

LiveChromatogramPanel::~LiveChromatogramPanel() = default;

void LiveChromatogramPanel::AddPulse(const PulseRecord& record) {
    if (isHidden()) {
        missedPulses_ = true;
        return;
    }
    // A run may have begun unseen while the panel was closed: it starts again from here.
    if (missedPulses_) {
        missedPulses_ = false;
        chromatogram_.Clear();
    }
    chromatogram_.Add(record);
}

void LiveChromatogramPanel::showEvent(QShowEvent* event) {
    QDockWidget::showEvent(event);
    Refresh();
    timer_.start();
}

void LiveChromatogramPanel::hideEvent(QHideEvent* event) {
    QDockWidget::hideEvent(event);
    timer_.stop();
}

void LiveChromatogramPanel::Refresh() {
    FollowConfiguration();
    Redraw();
}

void LiveChromatogramPanel::FollowConfiguration() {
    if (!configuration_) {
        return;
    }
    const ConfigurationBlock block = configuration_();
    std::array<RegateSettings, LiveChromatogram::kChannels> settings;
    for (int c = 0; c < LiveChromatogram::kChannels; ++c) {
        settings[static_cast<std::size_t>(c)] = SettingsForChannel(block, c);
    }
    chromatogram_.SetSettings(settings);
}

void LiveChromatogramPanel::Redraw() {
    if (chromatogram_.Revision() == drawnRevision_) {
        return;
    }
    drawnRevision_ = chromatogram_.Revision();
    QString info = chromatogram_.RunsBegun() == 0
                       ? QStringLiteral("%1 pulses, no GC run begun yet").arg(chromatogram_.Pulses())
                       : QStringLiteral("GC run %1, %2 pulses")
                             .arg(chromatogram_.RunsBegun())
                             .arg(chromatogram_.Pulses());
    for (int c = 0; c < LiveChromatogram::kChannels; ++c) {
        const std::size_t at = static_cast<std::size_t>(c);
        chromatogram_.Points(c, points_);
        x_[at]->SetSize(0, 1024);
        y_[at]->SetSize(0, 1024);
        float low = 0.0f, high = 0.0f;
        for (const LiveChromatogram::Point& p : points_) {
            x_[at]->Add(p.runTimeMinutes);
            y_[at]->Add(p.value);
            low = std::min(low, p.value);
            high = std::max(high, p.value);
        }
        PlotTrace* trace = plot_->Model().Trace(c);
        const GateMode& gate = chromatogram_.Settings(c).gate;
        trace->name = ChannelTitle(c) + ": " + GateModeDisplayName(gate.name, gate.suffix);
        trace->count = y_[at]->Size();
        const float first = points_.empty() ? 0.0f : points_.front().runTimeMinutes;
        const float last = points_.empty() ? 1.0f : points_.back().runTimeMinutes;
        // Room below too, so a flat baseline shows above the frame rather than in it.
        const float margin = std::max((high - low) * 0.05f, 1.0f);
        trace->SetRange(first, low - margin, std::max(last, first + 0.05f), high + margin);
        // The label names each trace in its colour, since the plot has no room for a legend.
        const QColor colour(RedOf(trace->colour), GreenOf(trace->colour), BlueOf(trace->colour));
        info += QStringLiteral("; <span style=\"color:%1\">&#9632; %2</span>")
                    .arg(colour.name(), QString::fromStdString(trace->name).toHtmlEscaped());
    }
    info_->setText(info);
    plot_->InvalidatePlot();
}

int LiveChromatogramPanel::DrawnPoints(int channel) const {
    return y_[channel == 1 ? 1 : 0]->Size();
}

} // namespace veltrane
