#include "ChromatogramPanel.h"

#include "Compare.h"
#include "CorvanetMessages.h"
#include "PeakExport.h"
#include "config/Vocabulary.h"
#include "plot/OFloatArray.h"
#include "plot/OPlot.h"
#include "plot/PlotSymbol.h"
#include "plot/PlotTrace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace veltrane::corvanet {

namespace {

// The plot gets at most this many buckets, each its lowest and highest point.
constexpr std::size_t kChromatogramBuckets = 4000;

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

OFloatArray* NewArray() {
    auto* array = new OFloatArray;
    array->SetSize(0, 100);
    return array;
}

QDoubleSpinBox* MsField(double value) {
    auto* box = new QDoubleSpinBox;
    box->setRange(0.0, 25.0);
    box->setDecimals(1);
    box->setSingleStep(0.1);
    box->setSuffix(QStringLiteral(" ms"));
    box->setValue(value);
    return box;
}

QDoubleSpinBox* PeakField(const char* name, double most, int decimals, double step, double value) {
    auto* box = new QDoubleSpinBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0.0, most);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    box->setValue(value);
    // Peaks are found again when the value is committed (Enter, arrows, leaving the field).
    box->setKeyboardTracking(false);
    return box;
}

// A trace drawn over the chromatogram on its scale, in the plot's colour for its place.
PlotTrace* AddMarks(OPlot& plot, const char* name, OFloatArray*& xs, OFloatArray*& ys) {
    auto trace = std::make_unique<PlotTrace>(2, 1);
    trace->name = name;
    trace->hasX = true;
    trace->ownsArrays = true;
    trace->readout = false;
    xs = trace->xValues = NewArray();
    ys = trace->yValues = NewArray();
    trace->SetRange(0.0f, 0.0f, 1.0f, 1.0f);
    return plot.Model().Trace(plot.AddTrace(std::move(trace)));
}

constexpr float kGap = std::numeric_limits<float>::quiet_NaN();

} // namespace

void FillChromatogramTrace(PlotTrace& trace, const Chromatogram& chromatogram,
                           const RegateSettings& settings) {
    // At most a few thousand buckets, each its lowest and highest point, so a day of pulses draws
    // quickly and no peak is lost.
    std::vector<double> xs, ys;
    DecimateMinMax(chromatogram.runTimeMinutes, chromatogram.value, kChromatogramBuckets, xs, ys);
    trace.xValues->SetSize(0, 100);
    trace.yValues->SetSize(0, 100);
    double low = 0.0, high = 1.0;
    for (std::size_t i = 0; i < xs.size(); ++i) {
        trace.xValues->Add(static_cast<float>(xs[i]));
        trace.yValues->Add(static_cast<float>(ys[i]));
        low = std::min(low, ys[i]);
        high = std::max(high, ys[i]);
    }
    trace.count = trace.yValues->Size();
    const std::vector<double>& minutes = chromatogram.runTimeMinutes;
    const float first = minutes.empty() ? 0.0f : static_cast<float>(minutes.front());
    const float last = minutes.empty() ? 1.0f : static_cast<float>(minutes.back());
    // Room above and below, so a flat baseline shows above the frame rather than in it.
    const double margin = (high - low) * 0.04;
    trace.SetRange(first, static_cast<float>(low - margin), std::max(last, first + 0.01f),
                   static_cast<float>(high + margin));
    trace.yTitle = GateModeDisplayName(settings.gate.name, settings.gate.suffix) + ", " +
                   ValueUnitOf(settings.gate).text;
}

ChromatogramPanel::ChromatogramPanel(QWidget* parent) : QWidget(parent) {
    gateModeBox_ = new QComboBox;
    connect(gateModeBox_, &QComboBox::activated, this, &ChromatogramPanel::GateModeChosen);
    gateFields_ = {MsField(5.0), MsField(10.0), MsField(15.0), MsField(17.0)};
    operatorBox_ = new QComboBox;
    for (const char* op : kOperatorNames) {
        operatorBox_->addItem(Text(op));
    }
    alphaBox_ = new QDoubleSpinBox;
    alphaBox_->setRange(-1.0e6, 1.0e6);
    alphaBox_->setDecimals(4);
    sqrtBox_ = new QCheckBox(QStringLiteral("Square root (after the baseline)"));
    anchorBox_ = new QCheckBox(QStringLiteral("Gates after the pulse start"));
    anchorBox_->setChecked(true);
    triggerBox_ = new QSpinBox;
    triggerBox_->setRange(0, 65535);
    baselineBox_ = new QComboBox;
    baselineBox_->addItems({QStringLiteral("None"), QStringLiteral("Mean of the first pulses")});
    baselineBox_->setCurrentIndex(1);
    baselineCount_ = new QSpinBox;
    baselineCount_->setRange(1, 1000000);
    baselineCount_->setValue(10);
    auto* regate = new QPushButton(QStringLiteral("Re-gate"));
    connect(regate, &QPushButton::clicked, this, &ChromatogramPanel::RunRegate);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Gate mode"), gateModeBox_);
    auto* gateA = new QHBoxLayout;
    gateA->addWidget(gateFields_[0]);
    gateA->addWidget(gateFields_[1]);
    form->addRow(QStringLiteral("Gate A"), gateA);
    auto* gateB = new QHBoxLayout;
    gateB->addWidget(gateFields_[2]);
    gateB->addWidget(gateFields_[3]);
    form->addRow(QStringLiteral("Gate B"), gateB);
    form->addRow(QStringLiteral("A <op> alpha*B"), operatorBox_);
    form->addRow(QStringLiteral("alpha"), alphaBox_);
    form->addRow(sqrtBox_);
    form->addRow(anchorBox_);
    form->addRow(QStringLiteral("Trigger level"), triggerBox_);
    form->addRow(QStringLiteral("Baseline"), baselineBox_);
    form->addRow(QStringLiteral("Baseline pulses"), baselineCount_);
    form->addRow(regate);

    peakThreshold_ = PeakField("peakThreshold", 1000.0, 1, 1.0, PeakSettings{}.threshold);
    peakThreshold_->setMinimum(0.1);
    peakMinWidth_ = PeakField("peakMinWidth", 100.0, 3, 0.005, PeakSettings{}.minWidthMinutes);
    peakMinWidth_->setSuffix(QStringLiteral(" min"));
    peakMinArea_ = PeakField("peakMinArea", 1.0e12, 1, 10.0, PeakSettings{}.minArea);
    peakBaseline_ = new QComboBox;
    peakBaseline_->setObjectName(QStringLiteral("peakBaseline"));
    peakBaseline_->addItems(
        {QStringLiteral("Drop line"), QStringLiteral("Valley to valley"), QStringLiteral("Tangent skim")});
    for (QDoubleSpinBox* box : {peakThreshold_, peakMinWidth_, peakMinArea_}) {
        connect(box, &QDoubleSpinBox::valueChanged, this, &ChromatogramPanel::UpdatePeaks);
    }
    connect(peakBaseline_, &QComboBox::currentIndexChanged, this, &ChromatogramPanel::UpdatePeaks);
    auto* peakForm = new QFormLayout;
    peakForm->addRow(QStringLiteral("Peak threshold (x noise)"), peakThreshold_);
    peakForm->addRow(QStringLiteral("Least width at half height"), peakMinWidth_);
    peakForm->addRow(QStringLiteral("Least area (value x s)"), peakMinArea_);
    peakForm->addRow(QStringLiteral("Peak baseline"), peakBaseline_);

    peakTable_ = new QTableWidget(0, 8);
    peakTable_->setObjectName(QStringLiteral("peakTable"));
    peakTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    peakTable_->setSelectionMode(QAbstractItemView::SingleSelection);
    peakTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    peakTable_->verticalHeader()->setVisible(false);
    peakTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(peakTable_, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { HighlightPeak(row); });

    chromPlot_ = new OPlot;
    chromPlot_->SetNavigation(true);
    auto trace = std::make_unique<PlotTrace>(2, 1);
    trace->name = "Chromatogram";
    trace->xTitle = "min";
    trace->yTitle = "value";
    trace->hasX = true;
    trace->ownsArrays = true;
    chromX_ = trace->xValues = NewArray();
    chromY_ = trace->yValues = NewArray();
    trace->SetRange(0.0f, 0.0f, 1.0f, 1.0f);
    chromPlot_->AddTrace(std::move(trace));
    AddMarks(*chromPlot_, "Selected peak", pickX_, pickY_);
    AddMarks(*chromPlot_, "Peak baselines", baseX_, baseY_);
    PlotTrace* apexes = AddMarks(*chromPlot_, "Peak apexes", apexX_, apexY_);
    apexes->lines = false;
    apexes->symbols = true;
    apexes->symbol = kSymbolTriangleDown;
    chromInfo_ = new QLabel;
    chromInfo_->setWordWrap(true);

    auto* side = new QWidget;
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->addLayout(form);
    sideLayout->addWidget(chromInfo_);
    sideLayout->addLayout(peakForm);
    sideLayout->addStretch(1);
    peakSummary_ = new QLabel;
    peakSummary_->setObjectName(QStringLiteral("peakSummary"));
    peakSummary_->setWordWrap(true);
    auto* peaks = new QWidget;
    auto* peaksLayout = new QVBoxLayout(peaks);
    peaksLayout->setContentsMargins(0, 0, 0, 0);
    peaksLayout->addWidget(peakSummary_);
    peaksLayout->addWidget(peakTable_, 1);
    auto* split = new QSplitter(Qt::Vertical);
    split->addWidget(chromPlot_);
    split->addWidget(peaks);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(side);
    layout->addWidget(split, 1);
}

void ChromatogramPanel::SetFile(const DataFileContents& file) {
    file_ = &file;
    FillGateModeBox();
    SetGateFields(SettingsForChannel(file.configuration, 0));
    chromatogram_ = {};
    UpdatePeaks();
    if (!file.pulses.empty()) {
        RunRegate();
    }
}

void ChromatogramPanel::FillGateModeBox() {
    gateModeBox_->clear();
    if (file_ == nullptr) {
        return;
    }
    const ConfigurationBlock& block = file_->configuration;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const GateMode mode = ChannelGateMode(block, channel);
        gateModeBox_->addItem(
            Text(Format("Channel %d: %s", channel + 1, GateModeDisplayName(mode.name, mode.suffix).c_str())));
    }
    for (const GateMode& mode : block.gateModes) {
        gateModeBox_->addItem(Text(GateModeDisplayName(mode.name, mode.suffix)));
    }
}

void ChromatogramPanel::GateModeChosen(int index) {
    if (file_ == nullptr) {
        return;
    }
    const ConfigurationBlock& block = file_->configuration;
    RegateSettings settings = GateFields();
    if (index < kChannelCount) {
        settings.gate = ChannelGateMode(block, index);
    } else if (static_cast<std::size_t>(index - kChannelCount) < block.gateModes.size()) {
        settings.gate = block.gateModes[static_cast<std::size_t>(index - kChannelCount)];
    }
    SetGateFields(settings);
}

void ChromatogramPanel::SetGateFields(const RegateSettings& settings) {
    settings_ = settings;
    const GateMode& g = settings.gate;
    const std::array<float, 4> values = {g.startA, g.stopA, g.startB, g.stopB};
    for (std::size_t i = 0; i < values.size(); ++i) {
        gateFields_[i]->setValue(values[i]);
    }
    operatorBox_->setCurrentIndex(std::clamp<int>(g.operatorIndex, 0, 3));
    alphaBox_->setValue(g.alpha);
    sqrtBox_->setChecked(g.squareRoot != 0);
    anchorBox_->setChecked(settings.fromPulseStart);
    triggerBox_->setValue(settings.triggerLevel);
}

RegateSettings ChromatogramPanel::GateFields() const {
    RegateSettings settings = settings_;
    GateMode& g = settings.gate;
    g.startA = static_cast<float>(gateFields_[0]->value());
    g.stopA = static_cast<float>(gateFields_[1]->value());
    g.startB = static_cast<float>(gateFields_[2]->value());
    g.stopB = static_cast<float>(gateFields_[3]->value());
    g.operatorIndex = static_cast<std::int16_t>(operatorBox_->currentIndex());
    g.alpha = static_cast<float>(alphaBox_->value());
    g.squareRoot = sqrtBox_->isChecked() ? 1 : 0;
    settings.fromPulseStart = anchorBox_->isChecked();
    settings.triggerLevel = triggerBox_->value();
    settings.baseline.kind =
        baselineBox_->currentIndex() == 0 ? BaselineKind::None : BaselineKind::FirstPulses;
    settings.baseline.count = static_cast<std::size_t>(baselineCount_->value());
    settings.edited = settings_.edited || !(settings.gate == settings_.gate);
    return settings;
}

bool ChromatogramPanel::RunRegate() {
    if (file_ == nullptr) {
        return false;
    }
    const RegateSettings settings = GateFields();
    std::string error;
    Chromatogram result;
    if (!Regate(file_->pulses, settings, result, error)) {
        QMessageBox::warning(this, Text(messages::kProgramName), Text(error));
        return false;
    }
    settings_ = settings;
    chromatogram_ = std::move(result);
    FillChromatogramTrace(*chromPlot_->Model().Trace(0), chromatogram_, settings_);
    chromPlot_->InvalidatePlot();
    std::string info;
    for (const auto& [key, value] : DescribeSettings(settings_, chromatogram_)) {
        info += key + ": " + value + "\n";
    }
    if (chromatogram_.divisionsByZero != 0) {
        info += Format("%zu pulses had alpha*B = 0 and give 0\n", chromatogram_.divisionsByZero);
    }
    chromInfo_->setText(Text(info));
    UpdatePeaks();
    return true;
}

PeakSettings ChromatogramPanel::PeakFields() const {
    PeakSettings peaks;
    peaks.threshold = peakThreshold_->value();
    peaks.minWidthMinutes = peakMinWidth_->value();
    peaks.minArea = peakMinArea_->value();
    peaks.baseline = static_cast<PeakBaseline>(std::clamp(peakBaseline_->currentIndex(), 0, 2));
    return peaks;
}

void ChromatogramPanel::UpdatePeaks() {
    peaks_ = FindPeaks(chromatogram_.runTimeMinutes, chromatogram_.value, PeakFields());
    const std::string unit = ValueUnitOf(settings_.gate).column;
    peakTable_->clearContents();
    peakTable_->setRowCount(static_cast<int>(peaks_.peaks.size()));
    peakTable_->setHorizontalHeaderLabels(
        {QStringLiteral("RT (min)"), Text("Height (" + unit + ")"), Text("Area (" + unit + " x s)"),
         QStringLiteral("Width\u00bd (min)"), QStringLiteral("Start (min)"), QStringLiteral("End (min)"),
         QStringLiteral("S/N"), QStringLiteral("Area %")});
    for (std::size_t i = 0; i < peaks_.peaks.size(); ++i) {
        const Peak& p = peaks_.peaks[i];
        const std::string cells[] = {
            MinutesText(p.retentionMinutes), AmountText(p.height),         AmountText(p.area),
            MinutesText(p.widthHalfMinutes), MinutesText(p.startMinutes),  MinutesText(p.endMinutes),
            Format("%.1f", p.signalToNoise), Format("%.2f", p.areaPercent)};
        for (int column = 0; column < 8; ++column) {
            auto* item = new QTableWidgetItem(Text(cells[column]));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            peakTable_->setItem(static_cast<int>(i), column, item);
        }
    }
    peakSummary_->setText(
        peaks_.peaks.empty() && !chromatogram_.value.empty()
            ? Text(messages::kNoPeaksFound)
            : Text(Format(messages::kPeaksFound, peaks_.peaks.size(), AmountText(peaks_.noise).c_str())));
    // The row still selected, if any, is the peak highlighted.
    HighlightPeak(peakTable_->currentRow());
}

void ChromatogramPanel::MarkPeaks() {
    apexX_->SetSize(0, 100);
    apexY_->SetSize(0, 100);
    baseX_->SetSize(0, 100);
    baseY_->SetSize(0, 100);
    pickX_->SetSize(0, 100);
    pickY_->SetSize(0, 100);
    const std::vector<double>& minutes = chromatogram_.runTimeMinutes;
    const std::vector<double>& values = chromatogram_.value;
    for (std::size_t i = 0; i < peaks_.peaks.size(); ++i) {
        const Peak& p = peaks_.peaks[i];
        apexX_->Add(static_cast<float>(p.retentionMinutes));
        apexY_->Add(static_cast<float>(values[p.apexIndex]));
        // The baseline under the peak, with the verticals where it leaves the signal.
        const float start = static_cast<float>(p.startMinutes), end = static_cast<float>(p.endMinutes);
        for (const auto& [x, y] : {std::pair{start, values[p.startIndex]},
                                   {start, p.baselineAtStart},
                                   {end, p.baselineAtEnd},
                                   {end, values[p.endIndex]}}) {
            baseX_->Add(x);
            baseY_->Add(static_cast<float>(y));
        }
        baseX_->Add(end);
        baseY_->Add(kGap);
        if (static_cast<int>(i) == highlighted_) {
            const std::size_t step = std::max<std::size_t>(1, (p.endIndex - p.startIndex) / 2000);
            for (std::size_t k = p.startIndex; k <= p.endIndex; k += step) {
                pickX_->Add(static_cast<float>(minutes[k]));
                pickY_->Add(static_cast<float>(values[k]));
            }
        }
    }
    PlotModel& model = chromPlot_->Model();
    const PlotTrace* chromatogram = model.Trace(0);
    const std::pair<int, OFloatArray*> marks[] = {{1, pickY_}, {2, baseY_}, {3, apexY_}};
    for (const auto& [index, ys] : marks) {
        PlotTrace* trace = model.Trace(index);
        trace->count = ys->Size();
        trace->SetRange(chromatogram->xMin, chromatogram->yMin, chromatogram->xMax, chromatogram->yMax);
    }
    chromPlot_->InvalidatePlot();
}

void ChromatogramPanel::HighlightPeak(int row) {
    highlighted_ = row >= 0 && static_cast<std::size_t>(row) < peaks_.peaks.size() ? row : -1;
    MarkPeaks();
}

} // namespace veltrane::corvanet
