#include "ChromatogramPanel.h"
#include "CorvanetMessages.h"
#include "CorvanetWindow.h"
#include "FakePlatform.h"
#include "SyntheticRun.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace veltrane::corvanet {
namespace {

// The peak fields are typed into as an operator would: the table follows each committed value,
// and moving through the table's rows by keyboard highlights each peak in turn.
TEST(PeakPanel, TypedPeakSettingsUpdateTheTableAndRowsHighlightTheirPeaks) {
    fakes::TempDir dir;
    testing::SyntheticRun run;
    run.peaks = {
        {1.5, 0.03, 0.0, 60.0}, {3.5, 0.03, 0.06, 80.0}, {6.0, 0.04, 0.08, 150.0}, {6.3, 0.02, 0.0, 5.0}};
    const std::vector<std::uint8_t> bytes =
        testing::DatBytes(testing::TwoModeBlock(), testing::SyntheticPulses(run, 2000, 3.0, 23), 2000);
    fakes::WriteBytes(dir.File("RUN7.dat"), std::vector<unsigned char>(bytes.begin(), bytes.end()));

    CorvanetWindow window;
    window.resize(1200, 800);
    window.show();
    ASSERT_TRUE(window.OpenFile(QString::fromStdString(dir.File("RUN7.dat"))));
    auto* panel = window.findChild<ChromatogramPanel*>();
    auto* tabs = window.findChild<QTabWidget*>();
    ASSERT_TRUE(panel != nullptr && tabs != nullptr);
    const int tab = tabs->indexOf(panel);
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(tab).center());
    ASSERT_EQ(tabs->currentWidget(), panel);

    auto* table = panel->findChild<QTableWidget*>(QStringLiteral("peakTable"));
    auto* threshold = panel->findChild<QDoubleSpinBox*>(QStringLiteral("peakThreshold"));
    auto* baseline = panel->findChild<QComboBox*>(QStringLiteral("peakBaseline"));
    ASSERT_TRUE(table != nullptr && threshold != nullptr && baseline != nullptr);
    ASSERT_EQ(table->rowCount(), 4);
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("1.5000"));
    const QString dropRiderArea = table->item(3, 2)->text();

    // Tangent skim, chosen with the keyboard: the rider's area shrinks to what it is.
    baseline->setFocus();
    QTest::keyClick(baseline, Qt::Key_Down);
    QTest::keyClick(baseline, Qt::Key_Down);
    ASSERT_EQ(baseline->currentIndex(), 2);
    ASSERT_EQ(table->rowCount(), 4);
    EXPECT_LT(table->item(3, 2)->text().toDouble(), 0.5 * dropRiderArea.toDouble());

    // A threshold above what the rider stands out of the noise by leaves the three large peaks.
    QTest::mouseDClick(threshold->findChild<QLineEdit*>(), Qt::LeftButton);
    QTest::keyClick(threshold, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(threshold, QStringLiteral("60"));
    EXPECT_EQ(table->rowCount(), 4); // nothing happens until the value is committed
    QTest::keyClick(threshold, Qt::Key_Return);
    EXPECT_EQ(table->rowCount(), 3);

    // Wider than any peak: none left, and the panel says what to try.
    auto* width = panel->findChild<QDoubleSpinBox*>(QStringLiteral("peakMinWidth"));
    auto* summary = panel->findChild<QLabel*>(QStringLiteral("peakSummary"));
    ASSERT_TRUE(width != nullptr && summary != nullptr);
    EXPECT_TRUE(summary->text().startsWith(QStringLiteral("3 peaks; noise ")));
    width->setFocus();
    QTest::keyClick(width, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(width, QStringLiteral("5"));
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_EQ(summary->text(), QString::fromUtf8(messages::kNoPeaksFound));
    QTest::keyClick(width, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(width, QStringLiteral("0.01"));
    QTest::keyClick(width, Qt::Key_Return);
    ASSERT_EQ(table->rowCount(), 3);

    table->setFocus();
    QTest::keyClick(table, Qt::Key_Down);
    QTest::keyClick(table, Qt::Key_Down);
    EXPECT_EQ(panel->HighlightedPeak(), table->currentRow());
    EXPECT_GE(panel->HighlightedPeak(), 1);
    QApplication::processEvents();
    window.grab().save(QStringLiteral(VELTRANE_CORVANET_PNG_DIR "/corvanet-peaks.png"));
}

} // namespace
} // namespace veltrane::corvanet
