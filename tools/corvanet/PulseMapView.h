#pragma once

#include "PulseMath.h"

#include <QImage>
#include <QWidget>

class QPainter;

namespace veltrane::corvanet {

// The 2-D view: the map image stretched over the plot area, run time across (minutes) and the
// time within the pulse up (0 to 25 ms), with labelled axes and a colour scale of the counts.
class PulseMapView : public QWidget {
    Q_OBJECT
public:
    explicit PulseMapView(QWidget* parent = nullptr);

    void SetMap(const PulseMap& map);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawColourScale(QPainter& painter, const QRect& area);

private:
    QImage image_;
    double firstMinutes_ = 0.0;
    double lastMinutes_ = 0.0;
    double minimum_ = 0.0;
    double maximum_ = 0.0;
};

} // namespace veltrane::corvanet
