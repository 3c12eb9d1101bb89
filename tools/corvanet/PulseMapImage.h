#pragma once

#include "PulseMath.h"

#include <QImage>

namespace veltrane::corvanet {

// The 2-D view as an image: one pixel column per map column, 0 ms at the bottom, intensity as
// colour from dark blue through red to pale yellow between the map's minimum and maximum.
QImage PulseMapImage(const PulseMap& map);

} // namespace veltrane::corvanet
