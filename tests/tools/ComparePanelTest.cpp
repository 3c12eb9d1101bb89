#include "ComparePanel.h"
#include "CorvanetWindow.h"
#include "DatBuilder.h"
#include "FakePlatform.h"
#include "plot/OPlot.h"

#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

namespace veltrane::corvanet {
namespace {

// A run of `count` pulses from `firstTick` (1/6000 min) on, 30 ticks apart, with one Gaussian peak of the
// given height at `peakMinutes` in the light after the pulse start.
std::string WriteRun(const fakes::TempDir& dir, const std::string& name, std::uint32_t firstTick, int count,
                     double peakMinutes, double height) {
    std::vector<StoredPulse> pulses;
    for (int p = 0; p < count; ++p) {
        const std::uint32_t tick = firstTick + static_cast<std::uint32_t>(p) * 30;
        const double peak = height * std::exp(-std::pow((tick / 6000.0 - peakMinutes) / 0.08, 2));
        StoredPulse pulse = testing::FlatPulse(tick, 0);
        for (int i = 10; i < kPulseSamples; ++i) {
            pulse.samples[static_cast<std::size_t>(i)] =
                static_cast<std::uint16_t>(200 + peak * std::exp(-(i - 10) / 60.0));
        }
        pulses.push_back(pulse);
    }
    const std::vector<std::uint8_t> bytes =
        testing::DatBytes(testing::TwoModeBlock(), pulses, static_cast<std::uint32_t>(count));
    fakes::WriteBytes(dir.File(name), std::vector<unsigned char>(bytes.begin(), bytes.end()));
    return dir.File(name);
}

QPushButton* Button(QWidget& parent, const char* text) {
    for (QPushButton* button : parent.findChildren<QPushButton*>()) {
        if (button->text() == QString::fromUtf8(text)) {
            return button;
        }
    }
    return nullptr;
}

// The highest point of a trace as drawn.
double Highest(const ComparePanel& panel, std::size_t t) {
    double highest = -1e300;
    for (const double v : panel.Traces()[t].value) {
        highest = std::max(highest, panel.Shown().Shown(t, v));
    }
    return highest;
}

TEST(ComparePanel, OverlaysRecordingsOnOneAxisNormalisesAndRemovesWithDelete) {
    fakes::TempDir dir;
    // Different lengths and run time ranges: 0 to 1.495 min and 1 to 1.995 min.
    const std::string first = WriteRun(dir, "RUN001.dat", 0, 300, 0.8, 3000);
    const std::string second = WriteRun(dir, "RUN002.dat", 6000, 200, 1.5, 1000);
    const QString damaged = QString::fromStdString(dir.File("CUT.dat"));
    fakes::WriteBytes(damaged.toStdString(), {0x01, 0x42, 0x00, 0x00, 0x05});
    ComparePanel panel;
    panel.SetFileChooser([&] {
        return QStringList{QString::fromStdString(first), damaged, QString::fromStdString(second)};
    });
    panel.resize(1000, 600);
    panel.show();
    // The damaged file is named in a message and left out; the others are added.
    QStringList messages;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            messages << box->text();
            box->accept();
        }
    });
    closer.start(10);
    QTest::mouseClick(Button(panel, "Add Recordings..."), Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(damaged + QStringLiteral("\n")));

    ASSERT_EQ(panel.EntryCount(), 2);
    auto* plot = panel.findChild<OPlot*>();
    ASSERT_NE(plot, nullptr);
    ASSERT_EQ(plot->Model().TraceCount(), 2);
    EXPECT_EQ(panel.Traces()[0].value.size(), 300u);
    EXPECT_EQ(panel.Traces()[1].value.size(), 200u);
    EXPECT_EQ(panel.Traces()[0].label, "RUN001 S");
    // Both traces are drawn against the same run time axis and the same value scale.
    for (int t = 0; t < 2; ++t) {
        const PlotTrace* trace = plot->Model().Trace(t);
        EXPECT_FLOAT_EQ(trace->xMin, 0.0f);
        EXPECT_FLOAT_EQ(trace->xMax, 1.995f);
        EXPECT_EQ(trace->yMax, plot->Model().Trace(0)->yMax);
    }
    EXPECT_GT(Highest(panel, 0), 2.0 * Highest(panel, 1));

    // Highest point = 1, chosen from the keyboard.
    QComboBox* normalise = nullptr;
    for (QComboBox* box : panel.findChildren<QComboBox*>()) {
        normalise = box->itemText(0) == QStringLiteral("None") ? box : normalise;
    }
    ASSERT_NE(normalise, nullptr);
    normalise->setFocus();
    QTest::keyClick(normalise, Qt::Key_Down);
    ASSERT_EQ(normalise->currentIndex(), 1);
    EXPECT_DOUBLE_EQ(Highest(panel, 0), 1.0);
    EXPECT_DOUBLE_EQ(Highest(panel, 1), 1.0);

    // The operator selects the first entry and presses Delete.
    auto* list = panel.findChild<QListWidget*>();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(panel.EntryCount(), 1);
    plot = panel.findChild<OPlot*>();
    ASSERT_EQ(plot->Model().TraceCount(), 1);
    EXPECT_EQ(plot->Model().Trace(0)->name, "RUN002 S");
    EXPECT_FLOAT_EQ(plot->Model().Trace(0)->xMin, 1.0f);
}

// Both channels of the open run come with their own gate modes; three recordings are drawn for a look.
TEST(ComparePanel, WindowAddsBothChannelsOfTheOpenRunAndDrawsThreeRuns) {
    fakes::TempDir dir;
    const std::string first = WriteRun(dir, "RUN001.dat", 0, 600, 1.0, 4000);
    const std::string second = WriteRun(dir, "RUN002.dat", 0, 600, 1.3, 2500);
    const std::string third = WriteRun(dir, "RUN003.dat", 1200, 500, 1.6, 1500);
    CorvanetWindow window;
    window.resize(1100, 700);
    window.show();
    ASSERT_TRUE(window.OpenFile(QString::fromStdString(first)));
    auto* tabs = window.findChild<QTabWidget*>();
    auto* panel = window.findChild<ComparePanel*>();
    ASSERT_NE(panel, nullptr);
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {},
                      tabs->tabBar()->tabRect(tabs->indexOf(panel)).center());
    ASSERT_EQ(tabs->currentWidget(), panel);
    QTest::mouseClick(Button(*panel, "Both Channels of This Run"), Qt::LeftButton);
    ASSERT_EQ(panel->EntryCount(), 2);
    EXPECT_EQ(panel->Traces()[0].label, "RUN001 S");
    EXPECT_EQ(panel->Traces()[1].label, "RUN001 P-2");
    EXPECT_NE(panel->Traces()[0].value, panel->Traces()[1].value);

    QTest::mouseClick(Button(*panel, "Clear"), Qt::LeftButton);
    EXPECT_EQ(panel->EntryCount(), 0);
    panel->SetFileChooser([&] {
        return QStringList{QString::fromStdString(first), QString::fromStdString(second),
                           QString::fromStdString(third)};
    });
    QTest::mouseClick(Button(*panel, "Add Recordings..."), Qt::LeftButton);
    ASSERT_EQ(panel->EntryCount(), 3);
    QApplication::processEvents();
    window.grab().save(QStringLiteral(VELTRANE_CORVANET_PNG_DIR "/corvanet-compare.png"));
}

} // namespace
} // namespace veltrane::corvanet
