#include "plot/PlotSymbol.h"

namespace veltrane {

SymbolShape MakeSymbol(int type, LogicalPoint at, int xLineStep, int yLineStep, float scale) {
    SymbolShape shape;
    if (type < 0 || type > 11)
        return shape;
    double halfWidth = xLineStep / 2.0;
    double halfHeight = yLineStep / 2.0;
    if (scale != 0.0f) {
        halfWidth *= scale;
        halfHeight *= scale;
    }
    if (halfWidth < 10.0)
        halfWidth = 10.0;
    const int hw = static_cast<int>(halfWidth);
    const int hh = static_cast<int>(halfHeight);
    const int q = hh / 4;
    const int x = at.x;
    const int y = at.y;
    shape.low = {x - hw, y - hh};
    shape.high = {x + hw, y + hh};
    // Line symbols are pairs of ends, each shape given whole.
    const LogicalPoint bottomLeft{x - hw, y - hh};
    const LogicalPoint topRight{x + hw, y + hh};
    const LogicalPoint topLeft{x - hw, y + hh};
    const LogicalPoint bottomRight{x + hw, y - hh};
    const LogicalPoint left{x - hw, y};
    const LogicalPoint right{x + hw, y};
    const LogicalPoint bottom{x, y - hh};
    const LogicalPoint top{x, y + hh};
    switch (type) {
    case 0:
    case 4:
        shape.kind = SymbolKind::FilledBox;
        break;
    case 1:
    case 5:
        shape.kind = SymbolKind::FilledEllipse;
        break;
    case 2:
    case 6:
        shape.kind = SymbolKind::FilledPolygon;
        shape.points = {{x, y - hh + q}, {x + hw, y + hh - q}, {x - hw, y + hh - q}};
        break;
    case 3:
    case 7:
        shape.kind = SymbolKind::FilledPolygon;
        shape.points = {{x, y + hh - q}, {x + hw, y - hh + q}, {x - hw, y - hh + q}};
        break;
    case 8:
        shape.kind = SymbolKind::Lines;
        shape.points = {bottom, top, left, right};
        break;
    case 9:
        shape.kind = SymbolKind::Lines;
        shape.points = {bottom, top, left, right, bottomLeft, topRight, topLeft, bottomRight};
        break;
    case 10:
        shape.kind = SymbolKind::Lines;
        shape.points = {bottomLeft, topRight, topLeft, bottomRight};
        break;
    default: // 11
        shape.kind = SymbolKind::Lines;
        shape.points = {left, right, bottomLeft, topRight, topLeft, bottomRight};
        break;
    }
    return shape;
}

} // namespace veltrane
