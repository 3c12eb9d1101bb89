// The marker fields as an operator drives them: mouse clicks on the adjust buttons, then the read of
// the fields that closing the main window does first.
#include "RecorderFixture.h"
#include "live/CLiveView.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace veltrane;
using namespace veltrane::testing;

namespace {

struct MarkerView {
    RecorderFixture f;
    CLiveView view{f.state, f.prompts};

    MarkerView() {
        view.resize(640, 480);
        view.show();
        QApplication::processEvents();
    }

    QString Shown(int field) {
        return view.findChild<QLineEdit*>(QStringLiteral("markerField%1").arg(field))->text();
    }

    // Clicks field's "<" or ">" until the field shows target.
    void AdjustTo(int field, bool up, const QString& target) {
        auto* button = view.findChild<QPushButton*>(
            (up ? QStringLiteral("markerUp%1") : QStringLiteral("markerDown%1")).arg(field));
        ASSERT_NE(button, nullptr);
        for (int press = 0; press < 300 && Shown(field) != target; ++press) {
            QTest::mouseClick(button, Qt::LeftButton);
        }
        ASSERT_EQ(Shown(field), target);
    }
};

TEST(LiveViewMarkersTest, PairsOneTenthApartReachedByTheButtonsAreAcceptedAndDoNotBlockExit) {
    MarkerView m;
    m.AdjustTo(0, false, QStringLiteral(" 0.60")); // A start from 10.00
    m.AdjustTo(1, false, QStringLiteral(" 0.70")); // A stop from 17.50, down to one step past start
    m.AdjustTo(3, true, QStringLiteral("10.20"));  // B stop from 9.00
    m.AdjustTo(2, true, QStringLiteral("10.10"));  // B start from 4.50
    EXPECT_TRUE(m.f.prompts.Texts().empty()) << m.f.prompts.Texts().front();
    EXPECT_FLOAT_EQ(m.view.Settings().markerAStop, 0.7f);
    EXPECT_TRUE(m.view.ReadFields());
    EXPECT_TRUE(m.f.prompts.Texts().empty());
}

TEST(LiveViewMarkersTest, APairTheProgramWroteNeverBlocksExitButATypedOneIsChecked) {
    MarkerView m;
    // A drag on the plot may leave the two markers of a pair closer than the buttons would.
    MarkerValues dragged;
    dragged.aStart = 3.0f;
    dragged.aStop = 3.04f;
    dragged.bStart = m.view.Settings().markerBStart;
    dragged.bStop = m.view.Settings().markerBStop;
    m.view.TakeDraggedMarkers(dragged);
    EXPECT_TRUE(m.view.ReadFields());
    EXPECT_TRUE(m.f.prompts.Texts().empty());

    auto* stop = m.view.findChild<QLineEdit*>(QStringLiteral("markerField1"));
    stop->setFocus();
    stop->selectAll();
    QTest::keyClicks(stop, QStringLiteral("3.05"));
    EXPECT_FALSE(m.view.ReadFields());
    EXPECT_EQ(m.f.prompts.Texts(), std::vector<std::string>{"Please enter a number between 3.1 and 24.9."});
}

} // namespace
