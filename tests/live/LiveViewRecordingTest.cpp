#include "RecorderFixture.h"
#include "live/CLiveView.h"
#include "live/DataFilePanel.h"
#include "live/LiveMessages.h"
#include "live/RecordingSession.h"

#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <deque>

using namespace veltrane;
using namespace veltrane::testing;

namespace {

QPushButton* ButtonWithText(CLiveView& view, const QString& text) {
    for (QPushButton* button : view.findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

TEST(LiveViewRecordingTest, ChoosingAFileAndRecordingDriveTheButtonsAndFields) {
    RecorderFixture f;
    CLiveView view(f.state, f.prompts);
    view.AttachRecorder(f.recorder);
    QPushButton* record = view.findChild<QPushButton*>(QStringLiteral("recordButton"));
    ASSERT_NE(record, nullptr);
    EXPECT_FALSE(record->isEnabled());
    EXPECT_EQ(record->text(), QStringLiteral("Record Data"));

    // A six-character designator is refused and the dialog asked again.
    std::deque<std::string> answers{f.Data("ABCDEF.dat"), f.Data("AB.dat")};
    view.DataFiles().chooseDataPath = [&answers]() -> std::optional<std::string> {
        if (answers.empty()) {
            return std::nullopt;
        }
        const std::string path = answers.front();
        answers.pop_front();
        return path;
    };
    ButtonWithText(view, QStringLiteral("..."))->click();
    EXPECT_EQ(f.prompts.Texts(), std::vector<std::string>{messages::kDesignatorTooLong});
    EXPECT_EQ(view.Settings().filePrefix, "AB");
    EXPECT_EQ(view.Settings().sequenceText, "001");
    EXPECT_TRUE(record->isEnabled());

    record->click();
    EXPECT_EQ(record->text(), QStringLiteral("Stop Record"));
    EXPECT_FALSE(ButtonWithText(view, QStringLiteral("..."))->isEnabled());
    view.Recording()->AppendPulse(MakePulse(0));
    record->click();
    EXPECT_EQ(record->text(), QStringLiteral("Record Data"));
    EXPECT_TRUE(ButtonWithText(view, QStringLiteral("..."))->isEnabled());
    EXPECT_EQ(view.Settings().sequenceText, "002");
    EXPECT_EQ(f.Read(f.Data("AB001.dat")).pulses.size(), 1u);
    EXPECT_GT(f.state.currentFileSizeMB, 0.0f);
}

// Every GC run starts the recording again; a folder that cannot be written is said once, and
// again only when the operator starts a recording.
TEST(LiveViewRecordingTest, AnUnwritableFolderIsReportedOnceAcrossGcRestarts) {
    RecorderFixture f;
    CLiveView view(f.state, f.prompts);
    view.AttachRecorder(f.recorder);
    fakes::WriteBytes(f.Data("data"), {}); // a file where the folder should be
    view.DataFiles().chooseDataPath = [&f]() -> std::optional<std::string> { return f.Data("data/RUN.dat"); };
    ButtonWithText(view, QStringLiteral("..."))->click();
    ASSERT_TRUE(f.prompts.Texts().empty());

    PulseRecorderPort& cycle = *view.Recording();
    cycle.StartRecording(); // first GC run
    cycle.StartRecording(); // second GC run
    EXPECT_EQ(f.prompts.Texts(), std::vector<std::string>{messages::kDataFileCreateFailed});
    EXPECT_FALSE(cycle.IsRecording());

    view.findChild<QPushButton*>(QStringLiteral("recordButton"))->click();
    EXPECT_EQ(f.prompts.Texts().size(), 2u);
}

} // namespace
