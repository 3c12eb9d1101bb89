#include "PulseMapView.h"

#include "PulseMapImage.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace veltrane::corvanet {

namespace {

constexpr int kLeft = 60;
constexpr int kRight = 120; // room for the colour scale
constexpr int kScaleGap = 16;
constexpr int kScaleWidth = 18;
constexpr int kScaleTicks = 5;
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
    minimum_ = map.minimum;
    maximum_ = map.maximum;
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
    if (!image_.isNull()) {
        DrawColourScale(painter, area);
    }
}

void PulseMapView::DrawColourScale(QPainter& painter, const QRect& area) {
    const QRect bar(area.right() + kScaleGap, area.top(), kScaleWidth, area.height());
    for (int y = 0; y < bar.height(); ++y) {
        const double level = 1.0 - static_cast<double>(y) / std::max(1, bar.height() - 1);
        painter.setPen(QColor(PulseMapColour(level)));
        painter.drawLine(bar.left(), bar.top() + y, bar.right(), bar.top() + y);
    }
    painter.setPen(palette().windowText().color());
    painter.drawRect(bar.adjusted(0, 0, -1, -1));
    // Ticks at evenly spaced counts, placed where the square-root scale puts them.
    const QFontMetrics metrics = painter.fontMetrics();
    const double span = maximum_ - minimum_;
    for (int i = 0; i <= kScaleTicks; ++i) {
        const double fraction = static_cast<double>(i) / kScaleTicks;
        const int y = bar.bottom() - static_cast<int>(std::lround(std::sqrt(fraction) * (bar.height() - 1)));
        painter.drawLine(bar.right(), y, bar.right() + 4, y);
        const QString text = QString::number(minimum_ + fraction * span, 'f', 0);
        painter.drawText(bar.right() + 7, y + metrics.ascent() / 2, text);
    }
    painter.save();
    painter.translate(width() - 6, bar.center().y());
    painter.rotate(-90);
    painter.drawText(QRect(-bar.height() / 2, -metrics.height(), bar.height(), metrics.height()),
                     Qt::AlignHCenter, QStringLiteral("counts (square-root scale)"));
    painter.restore();
}

} // namespace veltrane::corvanet
