#pragma once

#include "plot/OPlot.h"
#include "plot/PlotPainter.h"
#include "plot/PulsePlotModel.h"
#include "protocol/PulseRecord.h"

#include <QPixmap>
#include <QRegion>

#include <functional>
#include <vector>

namespace veltrane {

class Prompts;

// The live view's pulse plot: the current pulse, two held references, the pulse starts and
// two pairs of draggable markers placed relative to the pulse start. Drawn through an
// off-screen pixmap, so the window never shows a half-drawn plot.
//
// What does not move with the pulses (axes, references and their marks) is kept in a background
// pixmap that is redrawn only when the plot is invalidated (a reference held or cleared, the
// markers set, the scale, the view or the size changed). A new pulse restores what the last one covered,
// draws itself and the markers (which stand relative to its start), lays the parts drawn over them back on
// top and repaints only those pixels of the window.
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

    // Brings the off-screen pixmap up to date now; painting does it when needed. Returns the
    // part of the pixmap that changed.
    QRegion Render();
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
    void DrawBackground(QSize client);
    void DrawReferences(QPainter& painter, DirtyRects& touched);
    // The marks copied onto each visible reference when it was held, and its pulse start.
    void DrawReferenceMarks(QPainter& painter, DirtyRects& touched);
    // Where each marker's lines are and their colour.
    struct MarkerLine {
        QRect lines;
        QColor colour;
        bool operator==(const MarkerLine&) const = default;
    };
    std::vector<MarkerLine> MarkerLines() const;
    // The current pulse, the markers and the pulse start, with what lies over them put back.
    // The markers are drawn whole when they moved, else only within what was restored and drawn.
    void DrawCurrent(QPainter& painter, const std::vector<MarkerLine>& markers, bool moved,
                     const std::vector<QRect>& restored);
    void RequestRender();
    void CancelDrag();
    void TellMarkers(const MarkerValues& values);

    PulsePlotModel pulse_;
    Hooks hooks_;
    Prompts* prompts_ = nullptr;
    QPixmap surface_;
    QPixmap background_; // the plot without the current pulse, the markers and the pulse start
    QPixmap over_;       // transparent but for the references and their marks
    QPixmap top_;        // transparent but for the references' marks
    bool backgroundValid_ = false;
    bool drawable_ = false;
    bool renderPending_ = true;
    bool failed_ = false;
    DirtyRects dirty_;                // what DrawCurrent touched on the surface
    DirtyRects overRects_;            // what over_ holds
    DirtyRects topRects_;             // what top_ holds
    std::vector<MarkerLine> markers_; // the markers as the surface shows them
};

} // namespace veltrane
