#include "plot/OPfpdPlot.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace veltrane;

namespace {

constexpr int kTriggerLevel = 10000;

// A pulse rising at sample 40 to a peak of 50000 and decaying to the baseline.
PulseRecord KnownPulse() {
    PulseRecord pulse;
    pulse.timeCounter = 12000;
    pulse.periodCopy = 25;
    for (int i = 0; i < kPulseSamples; ++i) {
        int value = 2000;
        if (i >= 40)
            value = std::max(2000, 50000 - (i - 40) * 400);
        pulse.samples[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(value);
    }
    return pulse;
}

class PulsePlotWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        plot.resize(640, 480);
        plot.SetGridLines(true);
        OPfpdPlot::Hooks hooks;
        hooks.markersChanged = [this](const MarkerValues& values) { told.push_back(values); };
        plot.SetHooks(hooks);
        plot.SetStatusTextHandler([this](const QString& text) { status = text.toStdString(); });
        plot.show();
        QApplication::processEvents();
        plot.AddPulse(KnownPulse(), kTriggerLevel);
        plot.Render();
    }

    const PlotTrace& Current() const { return *plot.Model().Trace(0); }
    QPoint PixelOfPoint(const PlotTrace& trace, int index) const {
        const PixelPoint p =
            ToPixel(plot.Model().View(), plot.Model().Rect(),
                    {ToLogicalX(trace, trace.XAt(index)), ToLogicalY(trace, trace.YAt(index))});
        return {p.x, p.y};
    }
    int PixelOfTime(float time) const {
        return PixelX(plot.Model().View(), plot.Model().Rect(), ToLogicalX(Current(), time));
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(at), plot.viewport()->mapToGlobal(QPointF(at)), button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(plot.viewport(), &event);
    }
    void Press(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        Mouse(QEvent::MouseButtonPress, at, button, button);
    }
    void Move(QPoint at, Qt::MouseButtons held = Qt::LeftButton) {
        Mouse(QEvent::MouseMove, at, Qt::NoButton, held);
    }
    void Release(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        Mouse(QEvent::MouseButtonRelease, at, button, Qt::NoButton);
    }

    OPfpdPlot plot;
    std::vector<MarkerValues> told;
    std::string status;
};

} // namespace

TEST_F(PulsePlotWidgetTest, RendersTraceMarkersAndReferenceMarks) {
    EXPECT_FLOAT_EQ(plot.TriggerTime(), 4.0f);

    plot.HoldReference(0);
    plot.AddPulse(KnownPulse(), kTriggerLevel);
    plot.Render();
    const QImage image = plot.Surface().toImage();
    ASSERT_EQ(image.size(), plot.viewport()->size());

    // The held reference equals the current pulse and is drawn after it, so its blue shows.
    const QPoint onTrace = PixelOfPoint(Current(), 30);
    EXPECT_EQ(image.pixelColor(onTrace), QColor(0, 0, 255)) << onTrace.x() << "," << onTrace.y();

    // Pair A start sits at 5.0 + 4.0 ms: three green lines across the plot.
    const int markerX = PixelOfTime(9.0f);
    const int midY = (plot.Model().Rect().top + plot.Model().Rect().bottom) / 2;
    for (int dx = -1; dx <= 1; ++dx)
        EXPECT_EQ(image.pixelColor(markerX + dx, midY), QColor(0, 255, 0));
    // Pair B stop (blue) at 21.0 ms.
    EXPECT_EQ(image.pixelColor(PixelOfTime(21.0f), midY + 40), QColor(0, 0, 255));

    // The reference's pair B stop mark: a triangle with a blue outline just above the point.
    const PlotTrace& reference = *plot.Model().Trace(1);
    const QPoint mark = PixelOfPoint(reference, plot.PulseModel().Marks(0).bStopIndex);
    bool blueAbove = false;
    for (int dy = -8; dy <= 0 && !blueAbove; ++dy)
        blueAbove = image.pixelColor(mark.x(), mark.y() + dy) == QColor(0, 0, 255);
    EXPECT_TRUE(blueAbove);

    // Outside the plot rectangle: light grey; inside, away from everything: white.
    EXPECT_EQ(image.pixelColor(2, 2), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(image.pixelColor(PixelOfTime(1.3f), plot.Model().Rect().top + 5), QColor(Qt::white));

    const QString path = QStringLiteral(VELTRANE_PLOT_PNG_DIR "/pulse_plot.png");
    EXPECT_TRUE(image.save(path));
}

TEST_F(PulsePlotWidgetTest, NewPulseRestoresWhatTheOldOneCovered) {
    const QPoint oldPeak = PixelOfPoint(Current(), 40);
    PulseRecord later = KnownPulse();
    for (int i = 0; i < kPulseSamples; ++i)
        later.samples[static_cast<std::size_t>(i)] = 2000; // no start: markers stay put
    plot.AddPulse(later, kTriggerLevel);
    plot.Render();
    const QImage image = plot.Surface().toImage();
    const QColor where = image.pixelColor(oldPeak);
    EXPECT_NE(where, QColor(255, 0, 0));
}

TEST_F(PulsePlotWidgetTest, DraggingAMarkerTellsTheView) {
    const int y = 200;
    const int start = PixelOfTime(9.0f); // pair A start
    Press({start + 3, y});
    EXPECT_TRUE(plot.IsDragging());
    Move({start + 30, y});
    Move({start + 60, y});
    Release({start + 60, y});
    EXPECT_FALSE(plot.IsDragging());
    ASSERT_EQ(told.size(), 1u);
    const float expected =
        static_cast<float>(
            ToWorldX(Current(), LogicalXOfPixel(plot.Model().View(), plot.Model().Rect(), start + 60))) -
        4.0f;
    EXPECT_NEAR(told[0].aStart, expected, 1e-4f);
    EXPECT_FLOAT_EQ(told[0].aStop, 10.0f);
    EXPECT_NEAR(plot.PairA().start, expected, 1e-4f);
}

TEST_F(PulsePlotWidgetTest, DraggingStartPastStopSwaps) {
    const int y = 200;
    Press({PixelOfTime(9.0f), y});
    Release({PixelOfTime(16.0f), y});
    ASSERT_EQ(told.size(), 1u);
    EXPECT_FLOAT_EQ(told[0].aStart, 10.0f);
    EXPECT_NEAR(told[0].aStop, 12.0f, 0.05f);
}

TEST_F(PulsePlotWidgetTest, LeavingThePlotCancelsTheDrag) {
    const int y = 200;
    Press({PixelOfTime(19.0f), y}); // pair B start
    Move({PixelOfTime(22.0f), y});
    Move({-5, y});
    EXPECT_FALSE(plot.IsDragging());
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], (MarkerValues{5.0f, 15.0f, 10.0f, 17.0f}));
    EXPECT_FLOAT_EQ(plot.PulseModel().Markers().Handle(PulsePlotModel::kBStart).Position(), 19.0f);
    Release({-5, y});
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(plot.Model().Mode(), MouseMode::Idle);
}

TEST_F(PulsePlotWidgetTest, PressBesideAHandleZoomsAndReadOutGoesToTheStatusPane) {
    const int y = 200;
    const int start = PixelOfTime(9.0f);
    Press({start + 6, y});
    EXPECT_EQ(plot.Model().Mode(), MouseMode::ZoomBand);
    EXPECT_TRUE(plot.IsDragging());
    Move({start + 106, y + 100});
    Release({start + 106, y + 100});
    EXPECT_GT(plot.Model().View().xFactor, 1.5f);
    EXPECT_TRUE(told.empty());
    plot.PreviousZoom();
    EXPECT_FLOAT_EQ(plot.Model().View().xFactor, 1.0f);

    const QPoint peak = PixelOfPoint(Current(), 40);
    Press(peak, Qt::RightButton);
    EXPECT_TRUE(plot.IsDragging());
    EXPECT_EQ(status, "4.0 , 50000.0");
    Release(peak, Qt::RightButton);
    EXPECT_EQ(status, "");
    EXPECT_FALSE(plot.IsDragging());
}

TEST_F(PulsePlotWidgetTest, ZoomOutsideTheSpaceBeeps) {
    int beeps = 0;
    plot.SetBeepHandler([&] { ++beeps; });
    const PlotRect& rect = plot.Model().Rect();
    Press({rect.right - 50, 100});
    Move({rect.right + 40, 160});
    Release({rect.right + 40, 160});
    EXPECT_EQ(beeps, 1);
    EXPECT_FLOAT_EQ(plot.Model().View().xFactor, 1.0f);
}

TEST_F(PulsePlotWidgetTest, OverlaysShowTheReadoutAndTheDrag) {
    const QPoint point = PixelOfPoint(Current(), 100);
    Press(point, Qt::RightButton);
    const PixelPoint pick = plot.Model().PickPoint();
    QImage image(plot.viewport()->size(), QImage::Format_RGB32);
    plot.viewport()->render(&image);
    EXPECT_EQ(image.pixelColor(pick.x, plot.Model().Rect().top + 20), QColor(Qt::black)); // crosshair
    Release(point, Qt::RightButton);

    const int start = PixelOfTime(9.0f);
    Press({start, 200});
    Move({start + 50, 200});
    plot.viewport()->render(&image);
    EXPECT_EQ(image.pixelColor(start + 50, 300), QColor(Qt::black)); // the line under the pointer
    EXPECT_EQ(image.pixelColor(start, 300),
              QColor(0x00, 0x7F, 0x00)); // the handle's old place, second colour
    Release({start + 50, 200});
}
