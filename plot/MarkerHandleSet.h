#pragma once

#include "plot/PlotMapping.h"

#include <cstdint>
#include <vector>

namespace veltrane {

class PlotModel;
class PlotTrace;

// Something the operator can drag along the x axis: a position in data units, a hit test
// and a drag that can be taken back.
class MarkerItem {
public:
    virtual ~MarkerItem() = default;

    float Position() const { return position_; }
    void SetPosition(float x) { position_ = x; }

    // Distance in whole pixels between the item and a logical x; both are divided by the
    // logical units per pixel before they are compared.
    virtual int HitDistance(const PlotTrace& trace, int pointLogicalX, int logicalPerPixel) const;

    void BeginDrag() { savedPosition_ = position_; }
    void DragTo(float x) { position_ = x; }
    void CancelDrag() { position_ = savedPosition_; }
    float SavedPosition() const { return savedPosition_; }

protected:
    float position_ = -1.0f;
    float savedPosition_ = -1.0f;
};

// A time marker drawn in the colours of one colour-table entry.
class MarkerHandle : public MarkerItem {
public:
    explicit MarkerHandle(int colourIndex) : colourIndex_(colourIndex) {}
    std::uint32_t Colour() const;
    std::uint32_t Colour2() const;

private:
    int colourIndex_ = 0;
};

struct HandleMove {
    bool dragging = false;   // a handle follows the pointer
    bool firstMove = false;  // the first movement of this drag
    bool overHandle = false; // the pointer is within the tolerance of a handle (size cursor)
};

// Vertical time markers over one trace, dragged with the left button.
class MarkerHandleSet {
public:
    static constexpr int kMaxHandles = 9;
    enum Mode {
        Idle = 0,
        Dragging = 2
    };

    void Bind(const PlotModel* plot, int traceIndex);
    // Index of the new handle, or -1 past the ninth.
    int AddHandle(float x, int colourIndex);
    // False (and nothing happens) for an index that is not in use.
    bool SetHandle(int index, float x);
    int HandleCount() const { return static_cast<int>(handles_.size()); }
    const MarkerHandle& Handle(int index) const { return handles_.at(static_cast<std::size_t>(index)); }
    float HandleMin(int i, int j) const;
    float HandleMax(int i, int j) const;

    // Index of the handle within the tolerance of data x, or -1.
    int HitTest(float x) const;
    // The drag protocol; points are in pixels.
    bool Press(PixelPoint point);
    HandleMove Move(PixelPoint point);
    bool Release(PixelPoint point);
    // Takes back a drag in progress; true when there was one.
    bool Cancel();

    Mode CurrentMode() const { return mode_; }
    int Selected() const { return selected_; }
    int DragLineX() const { return dragLineX_; }
    int tolerance = 10;

private:
    const PlotTrace* BoundTrace() const;
    float DataXOfPixel(int px) const;

    const PlotModel* plot_ = nullptr;
    int traceIndex_ = -1;
    std::vector<MarkerHandle> handles_;
    Mode mode_ = Idle;
    int selected_ = -1;
    bool firstMove_ = false;
    int dragLineX_ = -1;
};

} // namespace veltrane
