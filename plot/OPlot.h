#pragma once

#include "plot/PlotModel.h"

#include <QAbstractScrollArea>
#include <QPoint>

#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QFrame;
class QPainter;

namespace veltrane {

class QtTextMeasure;

// A plot view: up to 16 traces in a framed plot rectangle, zoom (fixed factors, a dragged
// rectangle, back to the previous zoom), scroll bars and a value read-out on the right button.
class OPlot : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit OPlot(QWidget* parent = nullptr);
    ~OPlot() override;

    PlotModel& Model() { return model_; }
    const PlotModel& Model() const { return model_; }

    // The plot takes the trace; -1 when 16 are attached.
    int AddTrace(std::unique_ptr<PlotTrace> trace);
    void SetTraceVisible(int index, bool visible);
    void SetGridLines(bool on);

    // The trace's legend entry follows; an empty name takes it out of the legend.
    void SetTraceName(int index, const std::string& name);

    // "&100 %" is SetZoom(1.0), "&200 %" SetZoom(2.0), "&Previous" PreviousZoom().
    void SetZoom(double factor);
    void PreviousZoom();

    // Navigation, off unless asked for: the wheel zooms about the cursor, a double click or Home
    // shows the whole data range, + and - (with or without Ctrl) zoom about the centre, and
    // every zoom can be stepped back through. The legend then fits the names it shows.
    void SetNavigation(bool on);
    void ZoomIn();
    void ZoomOut();
    void ResetZoom();
    void StepBack();
    // The whole data range with no zooms to step back to, as for a new file.
    void FreshView();

    // True while a zoom rectangle or a read-out is in progress.
    virtual bool IsBusy() const { return model_.Mode() != MouseMode::Idle; }

    // The read-out goes to the status bar's message pane; an empty text clears it.
    void SetStatusTextHandler(std::function<void(const QString&)> handler) {
        statusText_ = std::move(handler);
    }
    // Called when a zoom rectangle would leave the plot space; QApplication::beep by default.
    void SetBeepHandler(std::function<void()> handler) { beep_ = std::move(handler); }

    // Marks the plot for drawing; the window repaints without erasing.
    virtual void InvalidatePlot();
    // Draws the whole plot for a client area of the given size.
    void DrawPlot(QPainter& painter, QSize client);

protected:
    // The parts of the drawing that do not change with the traces' values: plot rectangle,
    // titles, frame and axes. False when the view is too small to hold a plot.
    bool DrawStatic(QPainter& painter, QSize client);
    void DrawTraces(QPainter& painter, class DirtyRects* dirty);
    // Only the traces given, in that order.
    void DrawTraces(QPainter& painter, class DirtyRects* dirty, const std::vector<int>& indexes);
    // The zoom rectangle, crosshair and base circle, drawn over a finished plot.
    void DrawOverlays(QPainter& painter);
    // Called after the frame and before the traces; nothing here.
    virtual void DrawUnderlay(QPainter& painter);

    virtual void LeftDown(QPoint point);
    virtual void LeftUp(QPoint point);
    virtual void MouseMoved(QPoint point);
    void ShowStatus(const std::string& text);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    QSize ClientSize() const;

private:
    void OnScrollAction(bool horizontal, int action);
    void UpdateScrollBars();
    void AddLegendBox(int index);
    void LayoutLegend();
    void SyncLegend();
    void ViewChanged();

    PlotModel model_;
    QFrame* legend_ = nullptr;
    std::vector<QCheckBox*> legendBoxes_;
    std::function<void(const QString&)> statusText_;
    std::function<void()> beep_;
    bool updatingBars_ = false;
    bool navigation_ = false;
};

} // namespace veltrane
