#include "plot/MarkerHandleSet.h"

#include "plot/PlotModel.h"

#include <algorithm>
#include <cstdlib>

namespace veltrane {

int MarkerItem::HitDistance(const PlotTrace& trace, int pointLogicalX, int logicalPerPixel) const {
    return std::abs(ToLogicalX(trace, position_) / logicalPerPixel - pointLogicalX / logicalPerPixel);
}

std::uint32_t MarkerHandle::Colour() const {
    return kColourTable[static_cast<std::size_t>(colourIndex_) % kColourTable.size()].colour;
}

std::uint32_t MarkerHandle::Colour2() const {
    return kColourTable[static_cast<std::size_t>(colourIndex_) % kColourTable.size()].colour2;
}

void MarkerHandleSet::Bind(const PlotModel* plot, int traceIndex) {
    plot_ = plot;
    traceIndex_ = traceIndex;
}

int MarkerHandleSet::AddHandle(float x, int colourIndex) {
    if (HandleCount() >= kMaxHandles)
        return -1;
    handles_.emplace_back(colourIndex);
    handles_.back().SetPosition(x);
    return HandleCount() - 1;
}

bool MarkerHandleSet::SetHandle(int index, float x) {
    if (index < 0 || index >= HandleCount())
        return false;
    handles_[static_cast<std::size_t>(index)].SetPosition(x);
    return true;
}

float MarkerHandleSet::HandleMin(int i, int j) const {
    return std::min(Handle(i).Position(), Handle(j).Position());
}

float MarkerHandleSet::HandleMax(int i, int j) const {
    return std::max(Handle(i).Position(), Handle(j).Position());
}

const PlotTrace* MarkerHandleSet::BoundTrace() const {
    return plot_ != nullptr ? plot_->Trace(traceIndex_) : nullptr;
}

float MarkerHandleSet::DataXOfPixel(int px) const {
    const PlotTrace* trace = BoundTrace();
    if (trace == nullptr)
        return 0.0f;
    return static_cast<float>(ToWorldX(*trace, LogicalXOfPixel(plot_->View(), plot_->Rect(), px)));
}

int MarkerHandleSet::HitTest(float x) const {
    const PlotTrace* trace = BoundTrace();
    if (trace == nullptr)
        return -1;
    const int lx = ToLogicalX(*trace, x);
    const int width = plot_->Rect().Width();
    if (lx <= 0 || width <= 0)
        return -1;
    const int perPixel = plot_->View().xExtent / width;
    if (perPixel <= 0)
        return -1;
    int hit = -1;
    int best = tolerance;
    for (int i = 0; i < HandleCount(); ++i) {
        const int distance = Handle(i).HitDistance(*trace, lx, perPixel);
        if (distance < best) {
            best = distance;
            hit = i;
        }
    }
    return hit;
}

bool MarkerHandleSet::Press(PixelPoint point) {
    mode_ = Dragging;
    firstMove_ = true;
    dragLineX_ = -1;
    selected_ = HitTest(DataXOfPixel(point.x));
    if (selected_ < 0) {
        mode_ = Idle;
        return false;
    }
    handles_[static_cast<std::size_t>(selected_)].BeginDrag();
    return true;
}

HandleMove MarkerHandleSet::Move(PixelPoint point) {
    HandleMove move;
    const float x = DataXOfPixel(point.x);
    if (mode_ != Dragging || selected_ < 0) {
        move.overHandle = HitTest(x) >= 0;
        return move;
    }
    move.dragging = true;
    move.overHandle = true;
    move.firstMove = firstMove_;
    firstMove_ = false;
    dragLineX_ = point.x;
    handles_[static_cast<std::size_t>(selected_)].DragTo(x);
    return move;
}

bool MarkerHandleSet::Release(PixelPoint point) {
    if (mode_ != Dragging || selected_ < 0)
        return false;
    handles_[static_cast<std::size_t>(selected_)].DragTo(DataXOfPixel(point.x));
    selected_ = -1;
    mode_ = Idle;
    dragLineX_ = -1;
    return true;
}

bool MarkerHandleSet::Cancel() {
    const bool dragging = mode_ == Dragging && selected_ >= 0;
    if (dragging)
        handles_[static_cast<std::size_t>(selected_)].CancelDrag();
    selected_ = -1;
    mode_ = Idle;
    dragLineX_ = -1;
    return dragging;
}

} // namespace veltrane
