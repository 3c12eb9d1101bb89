#pragma once

#include "plot/OPlot.h"
#include "plot/PlotPainter.h"
#include "plot/PulsePlotModel.h"
#include "protocol/PulseRecord.h"

#include <QPixmap>

#include <functional>

namespace veltrane {

class Prompts;

// The live view's pulse plot: the current pulse, two held references, the pulse starts and
// two pairs of draggable markers placed relative to the pulse start. Drawn through an
// off-screen pixmap, so the window never shows a half-drawn plot.
class OPfpdPlot : public OPlot {
    Q_OBJECT
public:
    // What the plot tells the view that owns it.
    struct Hooks {
        std::function<void(const MarkerValues&)> markersChanged; // after a marker drag
        std::function<void()> painted;                           // each paint, once drawn
    };

    // prompts shows the fatal message when the off-screen pixmap cannot be made.
    explicit OPfpdPlot(QWidget* parent = nullptr, Prompts* prompts = nullptr);
    ~OPfpdPlot() override;

    void SetHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    // Takes one pulse, its start the first sample at or above the trigger level; the view hands
    // none while IsDragging() is true.
    void AddPulse(const PulseRecord& pulse, int triggerLevel);
    void HoldReference(int n);
    void ClearReference(int n);
    void SetMarkerPairA(float start, float stop);
    void SetMarkerPairB(float start, float stop);
    void SetAttenuationFactor(int factor);

    // True while the operator zooms, reads out or drags a marker.
    bool IsDragging() const;
    bool IsBusy() const override { return IsDragging(); }
    void InvalidatePlot() override;

    MarkerPair PairA() const { return pulse_.PairA(); }
    MarkerPair PairB() const { return pulse_.PairB(); }
    MarkerValues Markers() const { return pulse_.Values(); }
    int AttenuationFactor() const { return pulse_.AttenuationFactor(); }
    float TriggerTime() const { return pulse_.TriggerTime(); }
    int TriggerIndex() const { return pulse_.TriggerIndex(); }
    const PulsePlotModel& PulseModel() const { return pulse_; }

    // Brings the off-screen pixmap up to date now; painting does it when needed.
    void Render();
    const QPixmap& Surface() const { return surface_; }

protected:
    void LeftDown(QPoint point) override;
    void LeftUp(QPoint point) override;
    void MouseMoved(QPoint point) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool EnsurePixmaps(QSize client);
    bool StaticChanged(QSize client) const;
    void DrawDynamic(QPainter& painter);
    void CancelDrag();
    void TellMarkers(const MarkerValues& values);

    struct StaticKey {
        QSize client;
        ViewState view;
        std::vector<float> ranges;
        std::vector<bool> visible;
        bool gridLines = false;
        bool operator==(const StaticKey&) const = default;
    };
    StaticKey CurrentStaticKey(QSize client) const;

    PulsePlotModel pulse_;
    Hooks hooks_;
    Prompts* prompts_ = nullptr;
    QPixmap surface_;
    QPixmap background_; // the plot without traces, markers and marks
    bool backgroundValid_ = false;
    bool drawable_ = false;
    bool renderPending_ = true;
    bool failed_ = false;
    StaticKey staticKey_;
    DirtyRects dirty_;
};

} // namespace veltrane
