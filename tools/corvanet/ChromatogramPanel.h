#pragma once

#include "Peaks.h"
#include "datafile/DataFileReader.h"
#include "datafile/Regating.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class QTableWidget;

namespace veltrane {

class OFloatArray;
class OPlot;
struct PlotTrace;

namespace corvanet {

// Puts a chromatogram into a plot trace that owns its arrays: its points thinned for drawing, the
// run time range, room above and below, and the gate mode and the value's unit as the y title.
void FillChromatogramTrace(PlotTrace& trace, const Chromatogram& chromatogram,
                           const RegateSettings& settings);

// The re-gating page: a gate mode taken from the file's configuration or edited, the
// chromatogram it gives plotted against run time, and its peaks: marked on the plot and listed
// in a table, found again whenever the chromatogram or the peak settings change.
class ChromatogramPanel : public QWidget {
    Q_OBJECT
public:
    explicit ChromatogramPanel(QWidget* parent = nullptr);

    // The file must outlive the panel's use of it; re-gates with channel 1's gate mode.
    void SetFile(const DataFileContents& file);
    void SetGateFields(const RegateSettings& settings);
    RegateSettings GateFields() const;
    // Re-gates with the fields; false (after a message box) when the settings are refused.
    bool RunRegate();

    const Chromatogram& Result() const { return chromatogram_; }
    OPlot* Plot() const { return chromPlot_; }
    // The settings the shown chromatogram was made with.
    const RegateSettings& Settings() const { return settings_; }

    PeakSettings PeakFields() const;
    const PeakTable& Peaks() const { return peaks_; }
    // Finds the peaks of the shown chromatogram with the peak fields, fills the table and marks them.
    void UpdatePeaks();
    // The peak whose row is selected, drawn over the chromatogram; -1 for none.
    int HighlightedPeak() const { return highlighted_; }

private:
    void FillGateModeBox();
    void GateModeChosen(int index);
    void HighlightPeak(int row);
    void MarkPeaks();

    const DataFileContents* file_ = nullptr;
    Chromatogram chromatogram_;
    RegateSettings settings_;
    PeakTable peaks_;
    int highlighted_ = -1;

    QComboBox* gateModeBox_ = nullptr;
    std::array<QDoubleSpinBox*, 4> gateFields_{}; // A start, A stop, B start, B stop
    QComboBox* operatorBox_ = nullptr;
    QDoubleSpinBox* alphaBox_ = nullptr;
    QCheckBox* sqrtBox_ = nullptr;
    QCheckBox* anchorBox_ = nullptr;
    QSpinBox* triggerBox_ = nullptr;
    QComboBox* baselineBox_ = nullptr;
    QSpinBox* baselineCount_ = nullptr;
    OPlot* chromPlot_ = nullptr;
    OFloatArray* chromX_ = nullptr;
    OFloatArray* chromY_ = nullptr;
    QLabel* chromInfo_ = nullptr;
    QLabel* peakSummary_ = nullptr;
    QDoubleSpinBox* peakThreshold_ = nullptr;
    QDoubleSpinBox* peakMinWidth_ = nullptr;
    QDoubleSpinBox* peakMinArea_ = nullptr;
    QComboBox* peakBaseline_ = nullptr;
    QTableWidget* peakTable_ = nullptr;
    // Traces over the chromatogram: apex marks, baseline segments, the highlighted peak.
    OFloatArray* apexX_ = nullptr;
    OFloatArray* apexY_ = nullptr;
    OFloatArray* baseX_ = nullptr;
    OFloatArray* baseY_ = nullptr;
    OFloatArray* pickX_ = nullptr;
    OFloatArray* pickY_ = nullptr;
};

} // namespace corvanet
} // namespace veltrane
