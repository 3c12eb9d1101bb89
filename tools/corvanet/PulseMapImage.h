#pragma once

#include "PulseMath.h"

#include <QImage>

namespace veltrane::corvanet {

// The 2-D view as an image: one pixel column per map column, 0 ms at the bottom, intensity as
// colour from dark blue through red to pale yellow between the map's minimum and maximum.
QImage PulseMapImage(const PulseMap& map);

// The colour of a level 0..1 of the scale: the square root of (value - minimum) / (maximum - minimum),
// so the faint tails of a pulse stay visible beside its peak.
QRgb PulseMapColour(double level);

} // namespace veltrane::corvanet
