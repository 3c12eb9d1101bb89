#include "live/PlaceholderPlot.h"

#include <QPainter>
#include <QPainterPath>

namespace veltrane {

namespace {
constexpr float kTimePerSample = 0.1f; // ms
constexpr double kFullScale = 65536.0;
} // namespace

PlaceholderPlot::PlaceholderPlot(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
}

void PlaceholderPlot::SetForm(PulsePlotForm* form) {
    form_ = form;
    if (form_ != nullptr) {
        markerA_[0] = form_->GetMarkerAStart();
        markerA_[1] = form_->GetMarkerAStop();
        markerB_[0] = form_->GetMarkerBStart();
        markerB_[1] = form_->GetMarkerBStop();
        attenuation_ = form_->GetAttenuation();
    }
}

void PlaceholderPlot::AddPulse(const PulseRecord& record) {
    current_ = record.samples;
    ++pulsesTaken_;
    if (form_ != nullptr) {
        form_->SetRunTime(RunTimeMinutes(record.timeCounter));
        form_->SetCurrentFrequency(record.periodCopy != 0 ? 100.0f / static_cast<float>(record.periodCopy)
                                                          : 0.0f);
    }
    update();
}

void PlaceholderPlot::HoldReference(int index) {
    if (index >= 0 && index < 2) {
        references_[static_cast<std::size_t>(index)] = current_;
        update();
    }
}

void PlaceholderPlot::ClearReference(int index) {
    if (index >= 0 && index < 2) {
        references_[static_cast<std::size_t>(index)].reset();
        update();
    }
}

void PlaceholderPlot::SetMarkerPairA(float start, float stop) {
    markerA_[0] = start;
    markerA_[1] = stop;
    update();
}

void PlaceholderPlot::SetMarkerPairB(float start, float stop) {
    markerB_[0] = start;
    markerB_[1] = stop;
    update();
}

void PlaceholderPlot::SetAttenuation(int attenuation) {
    attenuation_ = attenuation > 0 ? attenuation : 1;
    update();
}

void PlaceholderPlot::SetZoom(double factor) {
    previousZoom_ = zoom_;
    zoom_ = factor;
    update();
}

void PlaceholderPlot::PreviousZoom() {
    std::swap(zoom_, previousZoom_);
    update();
}

double PlaceholderPlot::XFor(float time) const {
    const double span = kPulseSamples * kTimePerSample / zoom_;
    return time / span * width();
}

void PlaceholderPlot::DrawTrace(QPainter& painter, const Samples& samples, const QColor& colour) const {
    // Attenuation 256 shows the full 16-bit range; each halving doubles the gain.
    const double scale = kFullScale * attenuation_ / 256.0;
    QPainterPath path;
    for (int i = 0; i < kPulseSamples; ++i) {
        const double x = XFor(static_cast<float>(i) * kTimePerSample);
        const double y = height() - 1 - samples[static_cast<std::size_t>(i)] / scale * (height() - 2);
        if (i == 0) {
            path.moveTo(x, y);
        } else {
            path.lineTo(x, y);
        }
    }
    painter.setPen(QPen(colour, 1));
    painter.drawPath(path);
}

void PlaceholderPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QColor(60, 60, 60));
    for (int ms = 0; ms <= 25; ms += 5) {
        const int x = static_cast<int>(XFor(static_cast<float>(ms)));
        painter.drawLine(x, 0, x, height());
    }
    const auto marker = [&](float time, const QColor& colour) {
        const int x = static_cast<int>(XFor(time));
        painter.setPen(QPen(colour, 1, Qt::DashLine));
        painter.drawLine(x, 0, x, height());
    };
    marker(markerA_[0], Qt::green);
    marker(markerA_[1], Qt::green);
    marker(markerB_[0], QColor(80, 120, 255));
    marker(markerB_[1], QColor(80, 120, 255));
    if (references_[0]) {
        DrawTrace(painter, *references_[0], QColor(80, 120, 255));
    }
    if (references_[1]) {
        DrawTrace(painter, *references_[1], Qt::green);
    }
    if (current_) {
        DrawTrace(painter, *current_, Qt::yellow);
    }
    if (!isEnabled()) {
        painter.fillRect(rect(), QColor(128, 128, 128, 90));
    }
}

} // namespace veltrane
