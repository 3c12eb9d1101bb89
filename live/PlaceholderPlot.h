#pragma once

#include "live/PulsePlotPort.h"

#include <QWidget>

#include <array>
#include <optional>

namespace veltrane {

// A plain drawing of the latest pulse, its two held references and the marker pairs.
class PlaceholderPlot : public QWidget, public PulsePlotPort {
    Q_OBJECT
public:
    explicit PlaceholderPlot(QWidget* parent);

    QWidget* Widget() override { return this; }
    void SetForm(PulsePlotForm* form) override;
    void AddPulse(const PulseRecord& record) override;
    bool IsDragging() const override { return false; }
    void HoldReference(int index) override;
    void ClearReference(int index) override;
    void SetMarkerPairA(float start, float stop) override;
    void SetMarkerPairB(float start, float stop) override;
    void SetAttenuation(int attenuation) override;
    void SetZoom(double factor) override;
    void PreviousZoom() override;

    std::uint64_t PulsesTaken() const { return pulsesTaken_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    using Samples = std::array<std::uint16_t, kPulseSamples>;
    void DrawTrace(QPainter& painter, const Samples& samples, const QColor& colour) const;
    double XFor(float time) const;

    PulsePlotForm* form_ = nullptr;
    std::optional<Samples> current_;
    std::array<std::optional<Samples>, 2> references_;
    float markerA_[2] = {10.0f, 17.5f};
    float markerB_[2] = {4.5f, 9.0f};
    int attenuation_ = 256;
    double zoom_ = 1.0;
    double previousZoom_ = 1.0;
    std::uint64_t pulsesTaken_ = 0;
};

} // namespace veltrane
