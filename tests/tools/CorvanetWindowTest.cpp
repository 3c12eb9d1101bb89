#include "CorvanetWindow.h"
#include "DatBuilder.h"
#include "FakePlatform.h"

#include <QApplication>
#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>

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

// Pictures of every tab for a recording with a peak, kept beside the test program for a look.
TEST(CorvanetWindow, RendersEveryTab) {
    fakes::TempDir dir;
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
    fakes::WriteBytes(dir.File("RUN002.dat"), std::vector<unsigned char>(bytes.begin(), bytes.end()));
    CorvanetWindow window;
    window.resize(1100, 700);
    window.show();
    ASSERT_TRUE(window.OpenFile(QString::fromStdString(dir.File("RUN002.dat"))));
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

} // namespace
} // namespace veltrane::corvanet

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
