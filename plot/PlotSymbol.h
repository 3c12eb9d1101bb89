#pragma once

#include "plot/PlotMapping.h"

#include <vector>

namespace veltrane {

// Point symbols by type: 0/4 square, 1/5 ellipse, 2/6 triangle down, 3/7 triangle up, 8 plus,
// 9 plus with diagonals, 10 diagonals, 11 horizontal line with diagonals; others nothing.
enum class SymbolKind {
    None,
    FilledBox,
    FilledEllipse,
    FilledPolygon,
    Lines
};

constexpr int kSymbolTriangleDown = 2;
constexpr int kSymbolCircle = 5;
constexpr int kSymbolPlus = 8;

struct SymbolShape {
    SymbolKind kind = SymbolKind::None;
    LogicalPoint low;  // the box: x - halfWidth, y - halfHeight
    LogicalPoint high; // x + halfWidth, y + halfHeight
    // Polygon corners, or pairs of line ends.
    std::vector<LogicalPoint> points;
};

// The half sizes are half the line steps, times the scale when it is not 0; a half-width under
// 10 logical units becomes 10.
SymbolShape MakeSymbol(int type, LogicalPoint at, int xLineStep, int yLineStep, float scale);

} // namespace veltrane
