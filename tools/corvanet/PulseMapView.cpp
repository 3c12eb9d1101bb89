#include "PulseMapView.h"

#include "PulseMapImage.h"

#include <QPainter>

namespace veltrane::corvanet {

namespace {

constexpr int kLeft = 60;
constexpr int kRight = 16;
constexpr int kTop = 12;
constexpr int kBottom = 44;
constexpr int kTimeTicks = 6;

} // namespace

PulseMapView::PulseMapView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(300, 200);
}

void PulseMapView::SetMap(const PulseMap& map) {
    image_ = PulseMapImage(map);
    firstMinutes_ = map.firstMinutes;
    lastMinutes_ = map.lastMinutes;
    update();
}

void PulseMapView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QRect area(kLeft, kTop, width() - kLeft - kRight, height() - kTop - kBottom);
    if (area.width() < 10 || area.height() < 10) {
        return;
    }
    if (!image_.isNull()) {
        painter.drawImage(area, image_);
    }
    painter.setPen(palette().windowText().color());
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    const QFontMetrics metrics = painter.fontMetrics();
    for (int ms = 0; ms <= 25; ms += 5) {
        const int y = area.bottom() - area.height() * ms / 25;
        painter.drawLine(area.left() - 5, y, area.left(), y);
        const QString text = QString::number(ms);
        painter.drawText(area.left() - 8 - metrics.horizontalAdvance(text), y + metrics.ascent() / 2, text);
    }
    for (int i = 0; i <= kTimeTicks; ++i) {
        const int x = area.left() + area.width() * i / kTimeTicks;
        painter.drawLine(x, area.bottom(), x, area.bottom() + 5);
        const double minutes = firstMinutes_ + (lastMinutes_ - firstMinutes_) * i / kTimeTicks;
        const QString text = QString::number(minutes, 'f', 2);
        painter.drawText(x - metrics.horizontalAdvance(text) / 2, area.bottom() + 6 + metrics.ascent(), text);
    }
    painter.drawText(QRect(area.left(), height() - metrics.height() - 2, area.width(), metrics.height()),
                     Qt::AlignHCenter, QStringLiteral("run time (min)"));
    painter.save();
    painter.translate(14, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-area.height() / 2, -metrics.height() / 2, area.height(), metrics.height()),
                     Qt::AlignHCenter, QStringLiteral("ms in the pulse"));
    painter.restore();
}

} // namespace veltrane::corvanet
