#include "CorvanetWindow.h"
#include "DatBuilder.h"
#include "FakePlatform.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

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
