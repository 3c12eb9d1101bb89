#include "plot/PulsePlotModel.h"
#include "plot/PlotModel.h"

#include <gtest/gtest.h>

using namespace veltrane;

namespace {

PulseRecord PulseStartingAt(int index, std::uint16_t height = 30000) {
    PulseRecord pulse;
    pulse.timeCounter = 6000; // one minute
    pulse.periodCopy = 30;
    for (int i = index; i < kPulseSamples; ++i)
        pulse.samples[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(height - (i - index) * 100);
    return pulse;
}

class PulsePlotModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        pulse.SetUp();
        // 620 pixels wide: 2580 logical units a pixel.
        plot.LayoutPlotRect(640, 480, true);
    }

    int PixelOf(float time) const {
        return PixelX(plot.View(), plot.Rect(), ToLogicalX(*plot.Trace(pulse.CurrentTraceIndex()), time));
    }
    PixelPoint At(float time, int dx = 0) const { return {PixelOf(time) + dx, 200}; }

    PlotModel plot;
    PulsePlotModel pulse{plot};
};

} // namespace

TEST(PulseRules, TriggerFrequencyFullScaleAndHolding) {
    std::array<std::uint16_t, kPulseSamples> samples{};
    EXPECT_EQ(FindTriggerIndex(samples, 1), -1);
    samples[0] = 1;
    EXPECT_EQ(FindTriggerIndex(samples, 1), 0);
    samples[0] = 0;
    samples[120] = 65535; // compared as unsigned
    EXPECT_EQ(FindTriggerIndex(samples, 30000), 120);
    EXPECT_FLOAT_EQ(PulseFrequency(30), 100.0f / 30.0f);
    EXPECT_FLOAT_EQ(PulseFrequency(0), 0.0f);
    EXPECT_FLOAT_EQ(FullScaleForAttenuation(1), 273.4375f);
    EXPECT_FLOAT_EQ(FullScaleForAttenuation(256), 70000.0f);
    EXPECT_FLOAT_EQ(FullScaleForAttenuation(0), 273.4375f);
    EXPECT_FLOAT_EQ(HoldMarkerTime(25.5f), 24.9f);
    EXPECT_FLOAT_EQ(HoldMarkerTime(-0.1f), 0.0f);
}

TEST_F(PulsePlotModelTest, SetUpAttachesThreeTracesAndFourHandles) {
    ASSERT_EQ(plot.TraceCount(), 3);
    const PlotTrace& current = *plot.Trace(0);
    EXPECT_EQ(current.name, "Current Pulse");
    EXPECT_EQ(plot.Trace(1)->name, "Reference 1");
    EXPECT_EQ(plot.Trace(2)->name, "Reference 2");
    EXPECT_EQ(current.colour, 0x0000FFu);
    EXPECT_EQ(plot.Trace(2)->colour, 0x00FF00u);
    EXPECT_TRUE(current.clipToView);
    EXPECT_FALSE(plot.Trace(1)->IsVisible());
    EXPECT_EQ(current.count, 250);
    EXPECT_FLOAT_EQ(current.XAt(249), 24.9f);
    EXPECT_FLOAT_EQ(current.yMax, 70000.0f);
    ASSERT_EQ(pulse.Markers().HandleCount(), 4);
    EXPECT_FLOAT_EQ(pulse.Markers().Handle(0).Position(), 5.0f);
    EXPECT_EQ(pulse.Markers().Handle(2).Colour(), 0xFF0000u);
    pulse.SetAttenuationFactor(1);
    EXPECT_FLOAT_EQ(plot.Trace(2)->yMax, 273.4375f);
}

TEST_F(PulsePlotModelTest, PulseStartMovesTheMarkers) {
    pulse.SetMarkerPairA(10.0f, 17.5f);
    pulse.AddPulse(PulseStartingAt(80), 1000);
    EXPECT_EQ(pulse.TriggerIndex(), 80);
    EXPECT_FLOAT_EQ(pulse.TriggerTime(), 8.0f);
    EXPECT_FLOAT_EQ(pulse.Markers().Handle(PulsePlotModel::kAStart).Position(), 18.0f);
    EXPECT_FLOAT_EQ(pulse.Markers().Handle(PulsePlotModel::kAStop).Position(), 24.9f);
    EXPECT_FLOAT_EQ(pulse.Markers().Handle(PulsePlotModel::kBStart).Position(), 23.0f);

    // No sample reaches the level: no start, markers stay at the last start.
    pulse.AddPulse(PulseRecord{}, 1000);
    EXPECT_EQ(pulse.TriggerIndex(), -1);
    EXPECT_FLOAT_EQ(pulse.TriggerTime(), 8.0f);
    EXPECT_FLOAT_EQ(pulse.Markers().Handle(PulsePlotModel::kAStart).Position(), 18.0f);

    pulse.AddPulse(PulseStartingAt(0), 1000);
    EXPECT_EQ(pulse.TriggerIndex(), 0);
    EXPECT_FLOAT_EQ(pulse.TriggerTime(), 0.0f);
    EXPECT_FLOAT_EQ(pulse.CurrentValues()[0], 30000.0f);
}

TEST_F(PulsePlotModelTest, HoldingAReferenceCopiesValuesAndMarks) {
    pulse.AddPulse(PulseStartingAt(20), 1000);
    pulse.HoldReference(1);
    EXPECT_TRUE(pulse.ReferenceVisible(1));
    EXPECT_FALSE(pulse.ReferenceVisible(0));
    EXPECT_EQ(pulse.ReferenceTriggerIndex(1), 20);
    EXPECT_FLOAT_EQ(plot.Trace(pulse.ReferenceTraceIndex(1))->YAt(20), 30000.0f);
    const ReferenceMarks& marks = pulse.Marks(1);
    EXPECT_FLOAT_EQ(marks.aStart, 7.0f);
    EXPECT_EQ(marks.aStartIndex, 70);
    EXPECT_EQ(marks.aStopIndex, 120);
    EXPECT_EQ(marks.bStopIndex, 190);

    pulse.AddPulse(PulseStartingAt(0), 1000);
    pulse.ClearReference(1);
    EXPECT_FALSE(pulse.ReferenceVisible(1));
    EXPECT_FLOAT_EQ(plot.Trace(pulse.ReferenceTraceIndex(1))->YAt(20), 30000.0f); // values stay
}

TEST_F(PulsePlotModelTest, PressFourPixelsAwayDragsSixPixelsDoesNot) {
    EXPECT_FALSE(pulse.PressHandle(At(5.0f, 6)));
    EXPECT_EQ(pulse.Markers().CurrentMode(), MarkerHandleSet::Idle);
    EXPECT_FALSE(pulse.PressHandle(At(5.0f, -6)));
    ASSERT_TRUE(pulse.PressHandle(At(5.0f, 4)));
    EXPECT_EQ(pulse.Markers().Selected(), PulsePlotModel::kAStart);
    EXPECT_EQ(pulse.Markers().CurrentMode(), MarkerHandleSet::Dragging);
}

TEST_F(PulsePlotModelTest, DraggingStartPastStopSwapsThePair) {
    pulse.AddPulse(PulseStartingAt(10), 1000); // start at 1.0 ms
    ASSERT_TRUE(pulse.PressHandle(At(6.0f)));
    const HandleMove first = pulse.MoveHandle(At(9.0f));
    EXPECT_TRUE(first.dragging);
    EXPECT_TRUE(first.firstMove);
    EXPECT_FALSE(pulse.MoveHandle(At(12.0f)).firstMove);

    // Pulses that arrive anyway leave the dragged handle alone.
    pulse.AddPulse(PulseStartingAt(10), 1000);
    EXPECT_NEAR(pulse.Markers().Handle(PulsePlotModel::kAStart).Position(), 12.0f, 0.05f);

    MarkerValues told;
    ASSERT_TRUE(pulse.ReleaseHandle(At(13.0f), told));
    EXPECT_NEAR(told.aStart, 10.0f, 1e-4f); // the old stop
    EXPECT_NEAR(told.aStop, 12.0f, 0.05f);
    EXPECT_FLOAT_EQ(told.bStart, 15.0f);
    EXPECT_FLOAT_EQ(told.bStop, 17.0f);
    EXPECT_EQ(pulse.PairA(), (MarkerPair{told.aStart, told.aStop}));
    EXPECT_EQ(pulse.Markers().CurrentMode(), MarkerHandleSet::Idle);
    EXPECT_FALSE(pulse.ReleaseHandle(At(13.0f), told));
}

TEST_F(PulsePlotModelTest, CancelReturnsTheHandle) {
    ASSERT_TRUE(pulse.PressHandle(At(15.0f)));
    pulse.MoveHandle(At(20.0f));
    MarkerValues told;
    ASSERT_TRUE(pulse.CancelDrag(told));
    EXPECT_FLOAT_EQ(pulse.Markers().Handle(PulsePlotModel::kBStart).Position(), 15.0f);
    EXPECT_EQ(told, (MarkerValues{5.0f, 15.0f, 10.0f, 17.0f}));
    EXPECT_FALSE(pulse.CancelDrag(told));
}

TEST(MarkerHandleSet, LimitsAndHitTestBounds) {
    MarkerHandleSet set;
    for (int i = 0; i < MarkerHandleSet::kMaxHandles; ++i)
        EXPECT_EQ(set.AddHandle(1.0f * i, 1), i);
    EXPECT_EQ(set.AddHandle(1.0f, 1), -1);
    EXPECT_FALSE(set.SetHandle(9, 3.0f));
    EXPECT_TRUE(set.SetHandle(8, 3.0f));
    EXPECT_FLOAT_EQ(set.HandleMin(8, 7), 3.0f);
    EXPECT_FLOAT_EQ(set.HandleMax(8, 7), 7.0f);
    EXPECT_EQ(set.HitTest(3.0f), -1); // not bound to a plot
    EXPECT_FALSE(set.Press({10, 10}));
    EXPECT_FALSE(set.Cancel());
}
