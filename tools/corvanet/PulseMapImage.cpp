#include "PulseMapImage.h"

#include <algorithm>
#include <cmath>

namespace veltrane::corvanet {

QRgb PulseMapColour(double level) {
    // A few stops, interpolated: dark blue, purple, red, orange, pale yellow.
    static constexpr double kStops[][3] = {
        {0, 0, 48}, {96, 0, 128}, {200, 16, 32}, {250, 140, 0}, {255, 255, 200}};
    constexpr int kLast = 4;
    level = std::clamp(level, 0.0, 1.0) * kLast;
    const int low = std::min(static_cast<int>(level), kLast - 1);
    const double t = level - low;
    int rgb[3];
    for (int c = 0; c < 3; ++c) {
        rgb[c] = static_cast<int>(std::lround(kStops[low][c] + (kStops[low + 1][c] - kStops[low][c]) * t));
    }
    return qRgb(rgb[0], rgb[1], rgb[2]);
}

QImage PulseMapImage(const PulseMap& map) {
    if (map.columns <= 0) {
        return {};
    }
    QImage image(map.columns, map.rows, QImage::Format_RGB32);
    const double span = static_cast<double>(map.maximum) - map.minimum;
    for (int row = 0; row < map.rows; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(map.rows - 1 - row));
        for (int column = 0; column < map.columns; ++column) {
            const double value = map.At(column, row) - map.minimum;
            line[column] = PulseMapColour(span > 0.0 ? std::sqrt(value / span) : 0.0);
        }
    }
    return image;
}

} // namespace veltrane::corvanet
