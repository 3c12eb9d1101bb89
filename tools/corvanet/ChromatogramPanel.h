#pragma once

#include "live/DataFileReader.h"
#include "live/Regating.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

namespace veltrane {

class OFloatArray;
class OPlot;

namespace corvanet {

// The re-gating page: a gate mode taken from the file's configuration or edited, and the
// chromatogram it gives plotted against run time.
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
    // The settings the shown chromatogram was made with.
    const RegateSettings& Settings() const { return settings_; }

private:
    void FillGateModeBox();
    void GateModeChosen(int index);

    const DataFileContents* file_ = nullptr;
    Chromatogram chromatogram_;
    RegateSettings settings_;

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
};

} // namespace corvanet
} // namespace veltrane
