#include "CorvanetWindow.h"
#include "CommandLine.h"
#include "CorvanetMessages.h"
#include "DatBuilder.h"
#include "FakePlatform.h"
#include "Pictures.h"
#include "plot/OPlot.h"
#include "plot/PlotTrace.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <sstream>

#include <cmath>

#include <gtest/gtest.h>

namespace veltrane::corvanet {
namespace {

using testing::DatBytes;
using testing::FlatPulse;

// Closes every message box the window opens, remembering its text.
struct BoxCloser {
    QStringList texts;
    QTimer timer;
    BoxCloser() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
                    texts << box->text();
                    box->accept();
                }
            }
        });
        timer.start(10);
    }
};

TEST(CorvanetWindow, OpensAFileRegatesAndBuildsTheMap) {
    fakes::TempDir dir;
    std::vector<StoredPulse> pulses;
    for (std::uint32_t i = 0; i < 50; ++i) {
        StoredPulse pulse = FlatPulse(i * 30, static_cast<std::uint16_t>(i));
        pulse.samples[10] = 100;
        pulses.push_back(pulse);
    }
    const std::vector<std::uint8_t> bytes = DatBytes(testing::TwoModeBlock(), pulses, 50, "run log text\r\n");
    fakes::WriteBytes(dir.File("RUN001.dat"), std::vector<unsigned char>(bytes.begin(), bytes.end()));

    CorvanetWindow window;
    window.show();
    ASSERT_TRUE(window.OpenPath(QString::fromStdString(dir.Path().string())));
    EXPECT_EQ(window.File().pulses.size(), 50u);
    ASSERT_EQ(window.CurrentChromatogram().value.size(), 50u);
    window.ShowPulse(20);
    EXPECT_EQ(window.CurrentPulse(), 20);
    window.ShowPulse(5000); // held at the last pulse
    EXPECT_EQ(window.CurrentPulse(), 49);

    RegateSettings settings = window.GateFields();
    settings.gate.squareRoot = 1;
    settings.gate.operatorIndex = 1;
    window.SetGateFields(settings);
    ASSERT_TRUE(window.RunRegate());
    EXPECT_EQ(window.CurrentChromatogram().value.size(), 50u);
    window.UpdateMap();
    EXPECT_TRUE(window.MapStatus().contains(QStringLiteral("50 columns")));
}

// A recording of 400 pulses with a chromatographic peak at 1 min; returns its path.
std::string WritePeakRun(const fakes::TempDir& dir, const std::string& name) {
    std::vector<StoredPulse> pulses;
    for (std::uint32_t p = 0; p < 400; ++p) {
        StoredPulse pulse = FlatPulse(p * 30, 150);
        const double peak = 1.0 + 20.0 * std::exp(-std::pow((p - 200.0) / 25.0, 2));
        for (int i = 10; i < kPulseSamples; ++i) {
            const double t = (i - 10) * 0.1;
            pulse.samples[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(
                150 + 6000 * std::exp(-t / 1.0) + 200 * peak * (1 - std::exp(-t / 2)) * std::exp(-t / 6));
        }
        pulses.push_back(pulse);
    }
    const std::vector<std::uint8_t> bytes = DatBytes(testing::TwoModeBlock(), pulses, 400);
    fakes::WriteBytes(dir.File(name), std::vector<unsigned char>(bytes.begin(), bytes.end()));
    return dir.File(name);
}

// A window showing a recording with a peak, on the given tab, drawn once.
struct ShownRun {
    fakes::TempDir dir;
    CorvanetWindow window;
    QTabWidget* tabs = nullptr;

    explicit ShownRun(int tab) {
        window.resize(1100, 700);
        window.show();
        EXPECT_TRUE(window.OpenFile(QString::fromStdString(WritePeakRun(dir, "RUN002.dat"))));
        tabs = window.findChild<QTabWidget*>();
        tabs->setCurrentIndex(tab);
        QApplication::processEvents();
    }
};

// Pixel of the plot where a logical point is drawn.
QPoint PixelOf(const OPlot& plot, LogicalPoint point) {
    const PixelPoint p = ToPixel(plot.Model().View(), plot.Model().Rect(), point);
    return {p.x, p.y};
}

bool ShowsAll(const ViewState& view) {
    return view.xFactor == 1.0f && view.yFactor == 1.0f && view.xScroll == 0 && view.yScroll == 0;
}

void Wheel(OPlot& plot, QPoint at, int angle) {
    QWheelEvent event(QPointF(at), QPointF(plot.viewport()->mapToGlobal(at)), QPoint(), QPoint(0, angle),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot.viewport(), &event);
}

QAction* MenuAction(QMainWindow& window, const QString& text) {
    for (QAction* action : window.menuBar()->findChildren<QAction*>()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

TEST(CorvanetWindow, WheelKeysAndDoubleClickZoomTheViewAndEachFileStartsWhole) {
    ShownRun run(1);
    OPlot& plot = *run.window.PulsePlot();
    const PlotModel& model = plot.Model();
    ASSERT_GT(model.Rect().Width(), 100);
    ASSERT_TRUE(ShowsAll(model.View()));

    // Two notches in about a point a quarter across: that point stays under the cursor.
    const QPoint at(model.Rect().left + model.Rect().Width() / 4,
                    model.Rect().top + model.Rect().Height() / 3);
    const LogicalPoint under = ToLogical(model.View(), model.Rect(), {at.x(), at.y()});
    Wheel(plot, at, 240);
    EXPECT_NEAR(model.View().xFactor, 1.5625, 1e-4);
    EXPECT_NEAR(model.View().yFactor, 1.5625, 1e-4);
    const QPoint still = PixelOf(plot, under);
    EXPECT_NEAR(still.x(), at.x(), 1);
    EXPECT_NEAR(still.y(), at.y(), 1);
    Wheel(plot, at, -600); // out past the whole range: held there
    EXPECT_TRUE(ShowsAll(model.View()));

    Wheel(plot, at, 360);
    QTest::keyClick(&plot, Qt::Key_Home);
    EXPECT_TRUE(ShowsAll(model.View()));
    Wheel(plot, at, 360);
    QTest::mouseDClick(plot.viewport(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(ShowsAll(model.View()));

    QTest::keyClick(&plot, Qt::Key_Plus);
    QTest::keyClick(&plot, Qt::Key_Plus);
    EXPECT_NEAR(model.View().xFactor, 1.5625, 1e-4);
    QTest::keyClick(&plot, Qt::Key_Minus);
    EXPECT_NEAR(model.View().xFactor, 1.25, 1e-4);
    QAction* previous = MenuAction(run.window, QStringLiteral("&Previous Zoom"));
    ASSERT_NE(previous, nullptr);
    previous->trigger(); // back to before the zoom out
    EXPECT_NEAR(model.View().xFactor, 1.5625, 1e-4);

    // A zoomed chromatogram does not carry over to the next file.
    run.tabs->setCurrentIndex(2);
    QApplication::processEvents();
    OPlot& chromatogram = *run.window.CurrentPlot();
    ASSERT_NE(&chromatogram, &plot);
    Wheel(chromatogram, at, 1200);
    ASSERT_GT(chromatogram.Model().View().xFactor, 5.0f);
    ASSERT_TRUE(run.window.OpenFile(QString::fromStdString(WritePeakRun(run.dir, "RUN003.dat"))));
    EXPECT_TRUE(ShowsAll(chromatogram.Model().View()));
    EXPECT_TRUE(ShowsAll(model.View()));
    MenuAction(run.window, QStringLiteral("&Previous Zoom"))->trigger(); // nothing kept from the last file
    EXPECT_TRUE(ShowsAll(chromatogram.Model().View()));
}

TEST(CorvanetWindow, RightButtonShowsRetentionTimeAndValueInTheStatusBar) {
    ShownRun run(2);
    OPlot& plot = *run.window.CurrentPlot();
    const PlotTrace& trace = *plot.Model().Trace(0);
    const QPoint peak = PixelOf(plot, {ToLogicalX(trace, 1.0), ToLogicalY(trace, trace.yMax)});
    QTest::mousePress(plot.viewport(), Qt::RightButton, {}, peak);
    const QString text = run.window.statusBar()->currentMessage();
    const QString prefix = QString::fromUtf8(messages::kChromatogramReadout);
    ASSERT_TRUE(text.startsWith(prefix)) << text.toStdString();
    const QStringList numbers = text.mid(prefix.size()).split(QStringLiteral(" , "));
    ASSERT_EQ(numbers.size(), 2) << text.toStdString();
    const double minutes = numbers[0].toDouble();
    EXPECT_NEAR(minutes, 1.0, 0.01);
    const Chromatogram& c = run.window.CurrentChromatogram();
    const auto index =
        static_cast<std::size_t>(std::lround(minutes / (c.runTimeMinutes[1] - c.runTimeMinutes[0])));
    EXPECT_NEAR(numbers[1].toDouble(), c.value[index], 0.1);
    QTest::mouseRelease(plot.viewport(), Qt::RightButton, {}, peak);
    EXPECT_TRUE(run.window.statusBar()->currentMessage().isEmpty());
}

TEST(CorvanetWindow, BaselineSubtractedAverageIsDrawnOnThePulseAxis) {
    fakes::TempDir dir;
    std::vector<StoredPulse> pulses;
    for (std::uint32_t p = 0; p < 100; ++p) {
        StoredPulse pulse = FlatPulse(p * 30, 150);
        for (int i = 10; i < kPulseSamples; ++i) {
            pulse.samples[static_cast<std::size_t>(i)] =
                static_cast<std::uint16_t>(150 + 50000 * std::exp(-(i - 10) * 0.05));
        }
        if (p >= 50) {
            pulse.samples[60] = static_cast<std::uint16_t>(pulse.samples[60] + 4622);
        }
        pulses.push_back(pulse);
    }
    const std::vector<std::uint8_t> bytes = DatBytes(testing::TwoModeBlock(), pulses, 100);
    fakes::WriteBytes(dir.File("avg.dat"), std::vector<unsigned char>(bytes.begin(), bytes.end()));
    CorvanetWindow window;
    window.show();
    ASSERT_TRUE(window.OpenFile(QString::fromStdString(dir.File("avg.dat"))));
    const std::pair<const char*, int> fields[] = {
        {"peakFirst", 50}, {"peakLast", 99}, {"baseFirst", 0}, {"baseLast", 49}};
    for (const auto& [name, value] : fields) {
        window.findChild<QSpinBox*>(QString::fromLatin1(name))->setValue(value);
    }
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Baseline-Subtracted Average")) {
            QTest::mouseClick(button, Qt::LeftButton);
        }
    }
    const PlotModel& model = window.PulsePlot()->Model();
    const PlotTrace& axis = *model.Primary();
    const PlotTrace* average = nullptr;
    for (int i = 0; i < model.TraceCount(); ++i) {
        if (model.Trace(i)->name.starts_with("Average of pulses 50 to 99 minus pulses 0 to 49")) {
            average = model.Trace(i);
        }
    }
    ASSERT_NE(average, nullptr);
    ASSERT_TRUE(average->IsVisible());
    EXPECT_NEAR(average->YAt(60), 4622.0, 0.5);
    // The peak is drawn where the counts axis reads 4,622.
    EXPECT_EQ(ToLogicalY(*average, 4622.0), ToLogicalY(axis, 4622.0));
    EXPECT_GE(axis.yMax, 50000.0f);
}

TEST(CorvanetWindow, PicturesAndPrintWriteTheCurrentView) {
    ShownRun run(2);
    const QString base = QString::fromStdString(run.dir.File("view"));
    const std::pair<const char*, QByteArray> kinds[] = {
        {".png", QByteArray("\x89PNG")}, {".svg", QByteArray("<?xml")}, {".pdf", QByteArray("%PDF")}};
    for (const auto& [suffix, magic] : kinds) {
        const QString path = base + QString::fromLatin1(suffix);
        ASSERT_TRUE(run.window.ExportPictureTo(path)) << suffix;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_GT(file.size(), 1000) << suffix;
        EXPECT_TRUE(file.read(magic.size()) == magic) << suffix;
    }
    EXPECT_TRUE(QImage(base + QStringLiteral(".png")).size() == run.window.CurrentView()->size());

    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(base + QStringLiteral("-print.pdf"));
    run.window.PrintTo(printer);
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty()) {
        GTEST_SKIP() << "pdftotext is not installed: the printed header is not checked";
    }
    QProcess process;
    process.start(pdftotext, {base + QStringLiteral("-print.pdf"), QStringLiteral("-")});
    ASSERT_TRUE(process.waitForFinished());
    const QString page = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_TRUE(page.contains(QStringLiteral("RUN002.dat"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QStringLiteral("gate_a_start_ms 0.5"))) << page.toStdString();
    EXPECT_TRUE(page.contains(QString::fromUtf8(messages::kHeaderDate))) << page.toStdString();
}

TEST(CorvanetWindow, ExportPngWritesTheChromatogramPicture) {
    fakes::TempDir dir;
    const std::string input = WritePeakRun(dir, "RUN004.dat");
    Command command = ParseCommandLine({"--export-png", "--size", "640x400", input});
    ASSERT_EQ(command.kind, CommandKind::ExportPng);
    SetPictureWriter(command);
    std::ostringstream out, err;
    ASSERT_EQ(RunExport(command, out, err), 0) << err.str();
    const QImage picture(QString::fromStdString(dir.File("RUN004.chrom.png")));
    EXPECT_EQ(picture.size(), QSize(640, 400));
    EXPECT_EQ(ParseCommandLine({"--export-png", "--size", "640:400", input}).kind, CommandKind::Invalid);
}

// Pictures of every tab for a recording with a peak, kept beside the test program for a look.
TEST(CorvanetWindow, RendersEveryTab) {
    fakes::TempDir dir;
    CorvanetWindow window;
    window.resize(1100, 700);
    window.show();
    ASSERT_TRUE(window.OpenFile(QString::fromStdString(WritePeakRun(dir, "RUN002.dat"))));
    RegateSettings settings = window.GateFields();
    settings.gate.startA = 4.0f;
    settings.gate.stopA = 12.0f;
    settings.gate.startB = 18.0f;
    settings.gate.stopB = 22.0f;
    window.SetGateFields(settings);
    ASSERT_TRUE(window.RunRegate());
    window.ShowPulse(200);
    auto* tabs = window.findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        QApplication::processEvents();
        EXPECT_FALSE(window.grab().isNull());
        window.grab().save(QStringLiteral(VELTRANE_CORVANET_PNG_DIR "/corvanet-tab%1.png").arg(i));
    }
}

TEST(CorvanetWindow, DamagedFileShowsAMessageAndKeepsTheOpenFile) {
    fakes::TempDir dir;
    fakes::WriteBytes(dir.File("bad.dat"), {0x01, 0x42, 0x00, 0x00, 0x05});
    BoxCloser closer;
    CorvanetWindow window;
    EXPECT_FALSE(window.OpenFile(QString::fromStdString(dir.File("bad.dat"))));
    EXPECT_EQ(closer.texts.size(), 1);
    EXPECT_TRUE(window.File().pulses.empty());
    EXPECT_FALSE(window.OpenPath(QString::fromStdString(dir.Path().string() + "/none")));
}

// Help without a browser says which file to open by hand; F1 is how the operator asks.
TEST(CorvanetWindow, HelpWithoutABrowserNamesTheChapter) {
    CorvanetWindow window;
    QString shown;
    window.showInBrowser = [&shown](const QString& path) {
        shown = path;
        return false;
    };
    window.show();
    QApplication::setActiveWindow(&window);
    BoxCloser closer;
    QTest::keyClick(&window, Qt::Key_F1);
    for (int waited = 0; waited < 2000 && closer.texts.isEmpty(); waited += 20) {
        QTest::qWait(20);
    }
    ASSERT_TRUE(shown.endsWith(QStringLiteral("corvanet.html")));
    ASSERT_EQ(closer.texts.size(), 1);
    EXPECT_EQ(closer.texts.front(),
              QString::fromUtf8(messages::kNoBrowserBefore) + QDir::toNativeSeparators(shown));
}

} // namespace
} // namespace veltrane::corvanet

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
