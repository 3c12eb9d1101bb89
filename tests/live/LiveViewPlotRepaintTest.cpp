// The live view's repaints as the window shows them: a pulse repaints only the pixels its trace
// and the last one's cover, yet the window ends up as a repaint of everything would leave it,
// whatever the operator did in between.
#include "RecorderFixture.h"
#include "live/CLiveView.h"
#include "plot/OPfpdPlot.h"

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

using namespace veltrane;
using namespace veltrane::testing;

namespace {

constexpr int kTriggerLevel = 10000;

// Pulses that differ in start, height and width, so each uncovers much of what the last drew.
// Two in a row start together, so the markers (placed from the start) stay put for the second,
// which is low and short where the first was high and long.
PulseRecord ShapedPulse(int n) {
    PulseRecord record = MakePulse(static_cast<std::uint32_t>(n));
    const int start = 20 + (n / 2 * 37) % 90;
    const double height = n % 2 == 0 ? 30000.0 + (n * 9000) % 30000 : 10000.0;
    const double decay = n % 2 == 0 ? 40.0 : 6.0;
    for (int i = 0; i < kPulseSamples; ++i) {
        double value = 1500.0 + 300.0 * std::sin(i * 0.9 + n);
        if (i >= start)
            value += height * std::exp(-(i - start) / decay);
        record.samples[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(std::min(value, 65535.0));
    }
    return record;
}

// Remembers the area of the plot's last paint.
class PaintArea : public QObject {
public:
    long long last = 0;
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            last = 0;
            for (const QRect& rect : static_cast<QPaintEvent*>(event)->region())
                last += static_cast<long long>(rect.width()) * rect.height();
        }
        return false;
    }
};

struct RepaintView {
    RecorderFixture f;
    CLiveView view{f.state, f.prompts};
    OPfpdPlot* plot = view.Plot();
    PaintArea paints;
    int next = 0;

    RepaintView() {
        CLiveView::Hooks hooks;
        hooks.triggerLevel = [] { return kTriggerLevel; };
        view.SetHooks(hooks);
        view.resize(900, 640);
        view.show();
        plot->viewport()->installEventFilter(&paints);
        QApplication::processEvents();
    }

    long long ViewportArea() const {
        return static_cast<long long>(plot->viewport()->width()) * plot->viewport()->height();
    }

    // The plot's pixels as the window holds them (what the last paints flushed).
    QImage Window() const {
        const QPoint at = plot->viewport()->mapTo(&view, QPoint(0, 0));
        const QSize size = plot->viewport()->size();
        return view.screen()
            ->grabWindow(view.winId(), at.x(), at.y(), size.width(), size.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }

    void Pulses(int count) {
        for (int i = 0; i < count; ++i) {
            view.ShowPulse(ShapedPulse(next++));
            QApplication::processEvents();
        }
    }

    void Click(const char* name) {
        auto* button = view.findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
        QApplication::processEvents();
    }

    // Pulses after what the operator did, each repainting only where traces were, then the same
    // window as a repaint of everything gives.
    void ExpectPulsesRepaintAsAWhole(const std::string& after) {
        SCOPED_TRACE(after);
        QApplication::processEvents();
        // Ending on the second of a pair: what is checked is what a pulse left that did not
        // move the markers.
        for (int i = 0; i < 6 || next % 2 != 0; ++i) {
            paints.last = 0;
            Pulses(1);
            EXPECT_GT(paints.last, 0);
            EXPECT_LT(paints.last, ViewportArea() / 2);
        }
        const QImage partial = Window();
        plot->InvalidatePlot();
        QApplication::processEvents();
        EXPECT_EQ(paints.last, ViewportArea());
        const QImage whole = Window();
        ASSERT_FALSE(whole.isNull());
        ASSERT_EQ(partial.size(), whole.size());
        int differ = 0;
        for (int y = 0; y < whole.height(); ++y)
            for (int x = 0; x < whole.width(); ++x)
                differ += partial.pixel(x, y) != whole.pixel(x, y) ? 1 : 0;
        EXPECT_EQ(differ, 0);
    }
};

TEST(LiveViewPlotRepaintTest, PulsesRepaintOnlyWhatChangedAndLeaveTheWholePicture) {
    RepaintView v;
    v.Pulses(3);
    v.ExpectPulsesRepaintAsAWhole("pulses");

    v.Click("hold0");
    v.Pulses(2);
    v.Click("hold1");
    v.ExpectPulsesRepaintAsAWhole("two references held");

    // Pair A start (5 ms after the pulse start) dragged 60 pixels to the right with the mouse.
    const PlotModel& model = v.plot->Model();
    const PlotTrace& current = *model.Trace(v.plot->PulseModel().CurrentTraceIndex());
    const int start = PixelX(model.View(), model.Rect(), ToLogicalX(current, v.plot->TriggerTime() + 5.0f));
    const int y = (model.Rect().top + model.Rect().bottom) / 2;
    QWidget* viewport = v.plot->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(start, y));
    QTest::mouseMove(viewport, QPoint(start + 30, y));
    QTest::mouseMove(viewport, QPoint(start + 60, y));
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(start + 60, y));
    ASSERT_GT(v.plot->PairA().start, 5.5f);
    v.ExpectPulsesRepaintAsAWhole("a marker dragged");

    v.Click("clear0");
    v.ExpectPulsesRepaintAsAWhole("reference 1 cleared");

    v.view.resize(1100, 760);
    v.ExpectPulsesRepaintAsAWhole("resized");

    const int factor = v.plot->AttenuationFactor();
    v.Click("attenuationDown");
    ASSERT_NE(v.plot->AttenuationFactor(), factor);
    v.ExpectPulsesRepaintAsAWhole("full scale changed");
}

} // namespace
