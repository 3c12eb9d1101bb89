#pragma once

#include "datafile/DataFileReader.h"
#include "datafile/Regating.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPrinter;
class QSlider;
class QSpinBox;
class QTabWidget;

namespace veltrane {

class OFloatArray;
class OPlot;

namespace corvanet {

class ChromatogramPanel;
class ComparePanel;
class PulseMapView;

// The viewer: one data file at a time (or a series of them from a folder), its header,
// configuration and run log, its pulses, a re-gated chromatogram and the 2-D view.
class CorvanetWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit CorvanetWindow(QWidget* parent = nullptr);

    // Shows a local file in the web browser; false when no browser could be started. Tests replace it.
    std::function<bool(const QString& path)> showInBrowser;

    // A .dat file or a folder holding a series; false (after a message box) when nothing was opened.
    bool OpenPath(const QString& path);
    bool OpenFile(const QString& path);

    // For tests and the command line's window: what is shown now.
    const DataFileContents& File() const { return file_; }
    const Chromatogram& CurrentChromatogram() const;
    int CurrentPulse() const;
    void ShowPulse(int index);
    void SetGateFields(const RegateSettings& settings);
    RegateSettings GateFields() const;
    bool RunRegate();
    void UpdateMap();
    QString MapStatus() const;
    OPlot* PulsePlot() const { return pulsePlot_; }

    // The plot of the current tab (View menu's zoom), or null on a tab without one.
    OPlot* CurrentPlot() const;
    // What File > Export Picture and Print show of the current tab.
    QWidget* CurrentView() const;
    // File, view, gate parameters and date: the header of a printed page or PDF.
    QStringList PictureHeader() const;
    // The current view as PNG, SVG or PDF (by the name's suffix); false after a message box.
    bool ExportPictureTo(const QString& path);
    void PrintTo(QPrinter& printer);

private:
    void BuildMenus();
    void BuildViewMenu();
    void BuildHelpMenu();
    void ChoosePicture();
    void Print();
    void OpenHelp();
    void ShowReadout(const char* prefix, const QString& text);
    void SetPulseScale(float low, float high);
    QWidget* BuildPulseTab();
    QWidget* BuildMapTab();
    void ChooseFile();
    void ChooseFolder();
    void ShowFileText();
    void AddOverlay();
    void ClearOverlay();
    void ShowAverage(bool subtractBaseline);
    void TimeChosen(double minutes);
    void ExportPulses();
    void ExportChromatogramCsv();
    void ExportChromatogramCdf();
    void ExportPeaks();
    void ExportChromatogram(const QString& suffix, const QString& filter,
                            const std::function<bool(const std::string&, std::string&)>& write);
    void ResetRanges();
    void ScalePulsePlot();
    void SetPulseTrace(int trace, const double* values, bool visible);
    void Warn(const QString& text);
    std::string SourceName() const;

    DataFileContents file_;
    QString path_;
    bool mapValid_ = false;
    float pulseTop_ = 70000.0f;
    float pulseLow_ = 0.0f;

    QTabWidget* tabs_ = nullptr;
    QListWidget* seriesList_ = nullptr;
    QPlainTextEdit* fileText_ = nullptr;

    OPlot* pulsePlot_ = nullptr;
    std::vector<OFloatArray*> pulseValues_; // owned by the plot's traces
    int overlayCount_ = 0;
    QSlider* slider_ = nullptr;
    QSpinBox* indexBox_ = nullptr;
    QDoubleSpinBox* timeBox_ = nullptr;
    QLabel* pulseInfo_ = nullptr;
    QSpinBox* peakFirst_ = nullptr;
    QSpinBox* peakLast_ = nullptr;
    QSpinBox* baseFirst_ = nullptr;
    QSpinBox* baseLast_ = nullptr;

    ChromatogramPanel* chromatogramPanel_ = nullptr;
    ComparePanel* comparePanel_ = nullptr;

    PulseMapView* mapView_ = nullptr;
    QLabel* mapInfo_ = nullptr;
};

} // namespace corvanet
} // namespace veltrane
