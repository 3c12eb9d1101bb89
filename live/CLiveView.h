#pragma once

#include "live/AcquisitionCycle.h"
#include "live/LiveFormRules.h"
#include "plot/PulsePlotModel.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QString;

namespace veltrane {

class DataFilePanel;
class OPfpdPlot;
class Prompts;
class PulseRecorder;
class RecordingSession;

// The form view filling the main window: the pulse plot, the frequency read-outs, the
// reference, attenuation and marker controls and the data file panel. Its 10 ms timer
// drives the acquisition cycle in an online session.
class CLiveView : public QWidget, public LiveHost {
    Q_OBJECT
public:
    // What the view needs from the rest of the program.
    struct Hooks {
        std::function<void(const std::string&)> writeRunLog;
        std::function<void()> refreshBoardDialog;
        std::function<void()> refreshStatusPanes;
        std::function<void(const std::string&)> linkMessage;   // non-modal notice
        std::function<void(const char*)> openHelp;             // manual section anchor
        std::function<void(const PulseRecord&)> pulseShown;    // handed to the plot
        std::function<void(const PulseRecord&)> pulseReceived; // every pulse, shown or not
        std::function<void()> pmtWarning;                      // instead of the warning dialog
        std::function<int()> triggerLevel;                     // where a pulse starts on the plot
        std::function<void(const QString&)> plotStatusText;    // the plot's read-out, empty to clear
        std::function<void()> plotPainted;                     // after each paint of the plot
    };

    static constexpr int kTimerId = 1;
    static constexpr int kTickMs = 10;
    static constexpr int kRightColumn = 188;
    static constexpr int kBottomBand = 90;

    CLiveView(LiveState& state, Prompts& prompts, QWidget* parent = nullptr);
    ~CLiveView() override;

    void SetHooks(Hooks hooks);
    OPfpdPlot* Plot() { return plot_; }
    void SetRecorder(PulseRecorderPort* recorder);
    // The document's recorder behind the data file panel; the cycle records through it.
    void AttachRecorder(PulseRecorder& recorder);
    RecordingSession* Recording();
    DataFilePanel& DataFiles() { return *dataFiles_; }

    // Online: the 10 ms timer starts driving the cycle over the port.
    void StartCycle(ControllerPort& port, const Clock& clock, Sleeper& sleeper);
    void StopCycle();
    bool CycleRunning() const { return timer_.isActive(); }
    AcquisitionCycle* Cycle() { return cycle_.get(); }
    // Offline: every control of the form and the plot is disabled; labels stay enabled.
    void DisableControls();

    // Data exchange: reads the marker fields (false after a range message) / writes all fields.
    bool ReadFields();
    void WriteFields();

    // The three zoom commands pass straight to the plot.
    void Zoom100();
    void Zoom200();
    void ZoomPrevious();

    const LiveViewSettings& Settings() const { return settings_; }
    QLineEdit* CurrentFrequencyField() { return currentFrequencyField_; }

    // LiveHost
    void ShowPulse(const PulseRecord& record) override;
    void ShowPmtWarning() override;
    void RefreshBoardDialog() override;
    void WriteRunLog(const std::string& text) override;
    void BeginBusy() override;
    void EndBusy() override;
    void ReportLinkLost() override;
    void ReportLinkRestored() override;

    // The current pulse's frequency in its field, red when too high.
    void SetCurrentFrequency(float hz);
    // Marker times as a drag on the plot left them.
    void TakeDraggedMarkers(const MarkerValues& values);

    // Form buttons.
    void OnAttenuationDown();
    void OnAttenuationUp();
    void OnMarkerAdjust(int field, bool up); // field 0 A start, 1 A stop, 2 B start, 3 B stop
    void OnHold(int index);
    // Reset To Ready: the current data file is closed and the next one begun.
    void RestartRecording();
    void OnClear(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Placed {
        QWidget* widget;
        QPoint offset; // from the Record button's bottom-right corner
        QSize size;
    };

    void BuildForm();
    QLineEdit* Field(const QRect& geometry, bool readOnly);
    QPushButton* Button(const QString& text, const QRect& geometry);
    QLabel* Label(const QString& text, const QRect& geometry);
    QGroupBox* Group(const QString& title, const QRect& geometry);
    void RecordLayout();
    void ApplyLayout();
    void PassPair(int field);
    void ColourFrequency(float hz);
    void OnMarkerFieldLeft(int field);
    float& Marker(int field);
    void ShowMarker(int field);

    LiveState& state_;
    Prompts& prompts_;
    Hooks hooks_;
    LiveViewSettings settings_;
    float currentFrequency_ = 0.0f;
    std::array<float, 2> referenceFrequency_{};

    OPfpdPlot* plot_ = nullptr;
    PulseRecorderPort* recorder_ = nullptr;
    std::unique_ptr<AcquisitionCycle> cycle_;
    QTimer timer_;

    QLineEdit* currentFrequencyField_ = nullptr;
    std::array<QLineEdit*, 2> referenceFields_{};
    std::array<QPushButton*, 2> holdButtons_{};
    std::array<QPushButton*, 2> clearButtons_{};
    DataFilePanel* dataFiles_ = nullptr;
    QPushButton* recordButton_ = nullptr; // the data file panel's, the corner the form is laid out from
    QPushButton* attenuationDown_ = nullptr;
    QLineEdit* attenuationField_ = nullptr;
    QPushButton* attenuationUp_ = nullptr;
    std::array<QLineEdit*, 4> markerFields_{};
    std::array<QPushButton*, 4> markerDown_{};
    std::array<QPushButton*, 4> markerUp_{};
    std::array<QString, 4> markerWritten_{}; // the text the program last put in each marker field
    std::vector<QWidget*> controls_;         // what offline disables
    std::vector<Placed> placed_;
    QRect keyA_, keyB_, keyRef_[2];
    bool setUpDone_ = false;
    bool linkNoticeShown_ = false;
};

} // namespace veltrane
