#include "live/DataFileNaming.h"
#include "RecorderFixture.h"
#include "live/AcquisitionCycle.h"
#include "live/LiveMessages.h"
#include "live/RecordingSession.h"

#include <gtest/gtest.h>

#include <deque>

using namespace veltrane;
using namespace veltrane::testing;
namespace naming = veltrane::datafilenaming;

namespace {

struct NamingFixture {
    fakes::TempDir dir;
    fakes::FakePrompts prompts;
    LiveViewSettings settings;

    std::string Dir() const { return (dir.Path() / "").string(); }
    void Touch(const std::string& name) const { fakes::WriteBytes(dir.File(name), {1}); }
    bool Set(const std::string& name) { return naming::SetDataFile(settings, name, Dir() + name, prompts); }
};

TEST(DataFileNamingTest, AnOwnNumberStaysAndAnExistingFileIsOfferedForReplacement) {
    NamingFixture f;
    ASSERT_TRUE(f.Set("AB005.dat"));
    EXPECT_EQ(f.settings.filePrefix, "AB");
    EXPECT_EQ(f.settings.sequenceText, "005");
    EXPECT_EQ(f.settings.fileName, "AB005.dat");
    EXPECT_EQ(f.settings.directory, f.Dir());
    EXPECT_TRUE(f.prompts.shown.empty());

    f.Touch("AB005.dat");
    f.prompts.QueueAnswer(true);
    EXPECT_TRUE(f.Set("AB005.dat"));
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_TRUE(f.prompts.shown[0].question);
    EXPECT_EQ(f.prompts.shown[0].text,
              "The file " + f.Dir() + "AB005.dat already exists.\n\nDo you want to replace it?");
    EXPECT_EQ(f.settings.fileName, "AB005.dat");

    // Refused: the choice is cleared, the file name keeps its previous value.
    f.settings.fileName = "XY001.dat";
    f.prompts.QueueAnswer(false);
    EXPECT_FALSE(f.Set("AB005.dat"));
    EXPECT_EQ(f.settings.directory, "");
    EXPECT_EQ(f.settings.filePrefix, "");
    EXPECT_EQ(f.settings.sequenceText, "");
    EXPECT_EQ(f.settings.fileName, "XY001.dat");
}

TEST(DataFileNamingTest, APrefixWithoutANumberTakesTheNextFreeNumber) {
    NamingFixture f;
    f.Touch("RUN001.dat");
    f.Touch("run007.DAT"); // case does not matter
    f.Touch("RUN0x9.dat"); // not a number: counts 0
    f.Touch("RUNNER1.dat");
    ASSERT_TRUE(f.Set("RUN.dat"));
    EXPECT_EQ(f.settings.filePrefix, "RUN");
    EXPECT_EQ(f.settings.fileName, "RUN008.dat");

    // N05 is no number, so RUN05 is the prefix.
    f.Touch("RUN05003.dat");
    ASSERT_TRUE(f.Set("RUN05.dat"));
    EXPECT_EQ(f.settings.filePrefix, "RUN05");
    EXPECT_EQ(f.settings.fileName, "RUN05004.dat");

    // A name without an extension is taken as .DAT; the directory stays whole.
    ASSERT_TRUE(naming::SetDataFile(f.settings, "NEW", f.Dir() + "NEW", f.prompts));
    EXPECT_EQ(f.settings.fileName, "NEW001.dat");
    EXPECT_EQ(f.settings.directory, f.Dir());
}

TEST(DataFileNamingTest, DesignatorsAreLimitedToFiveCharacters) {
    EXPECT_FALSE(naming::DesignatorTooLong("RUN05.dat"));
    EXPECT_FALSE(naming::DesignatorTooLong("AB.dat"));
    EXPECT_TRUE(naming::DesignatorTooLong("RUN005.dat"));
    EXPECT_TRUE(naming::DesignatorTooLong("ABCDEF"));
}

TEST(DataFileNamingTest, TheSequenceEndsAt999WithTheMaximumMessage) {
    NamingFixture f;
    ASSERT_TRUE(f.Set("AB997.dat"));
    f.Touch("AB999.dat");
    EXPECT_TRUE(naming::AdvanceSequence(f.settings, f.prompts));
    EXPECT_EQ(f.settings.fileName, "AB998.dat");
    EXPECT_FALSE(naming::AdvanceSequence(f.settings, f.prompts)); // 999 exists: skipped, nothing left
    EXPECT_EQ(f.prompts.Texts(), std::vector<std::string>{messages::kMaxSequenceReached});
    EXPECT_EQ(f.settings.fileName, "");
    EXPECT_EQ(f.settings.directory, "");
    EXPECT_EQ(f.settings.filePrefix, "");

    f.prompts.Clear();
    EXPECT_FALSE(f.Set("AB.dat")); // AB999 is the highest
    EXPECT_EQ(f.prompts.Texts(), std::vector<std::string>{messages::kMaxSequenceReached});
}

// Pulses from a queue; every other controller call does nothing.
class QueuePort : public ControllerPort {
public:
    bool IsOpen() const override { return true; }
    bool Reopen() override { return true; }
    bool ReadControllerId(std::string&) override { return true; }
    PulseRead ReadPulse(PulseRecord& record) override {
        if (pulses.empty()) {
            return PulseRead::None;
        }
        record = pulses.front();
        pulses.pop_front();
        return PulseRead::Pulse;
    }
    bool RequestPulse() override { return true; }
    void FlushInput() override {}
    bool ReceiveAllSettings() override { return true; }
    bool TransmitAllSettings() override { return true; }
    void ResetToReady() override {}
    void WriteChannelZero(int) override {}
    bool ReadDspMode(int&) override { return true; }
    void SaveToEeprom() override {}
    std::deque<PulseRecord> pulses;
};

class LogHost : public LiveHost {
public:
    explicit LogHost(ConfigurationModel& config) : config_(config) {}
    void ShowPulse(const PulseRecord&) override {}
    void ShowPmtWarning() override {}
    void RefreshBoardDialog() override {}
    void WriteRunLog(const std::string& text) override { config_.WriteRunLog(text); }
    void BeginBusy() override {}
    void EndBusy() override {}
    void ReportLinkLost() override {}
    void ReportLinkRestored() override {}

private:
    ConfigurationModel& config_;
};

struct SessionFixture : RecorderFixture {
    LiveViewSettings settings;
    RecordingSession session{settings, state, recorder, prompts};
    int changes = 0;
    SessionFixture() {
        session.SetChanged([this] { ++changes; });
    }
    std::string Dir() const { return (dir.Path() / "").string(); }
};

TEST(RecordingSessionTest, ButtonsFollowTheChoiceAndTheRecording) {
    SessionFixture f;
    EXPECT_FALSE(f.session.RecordButtons().recordEnabled);
    f.session.TakeChosenFile(f.Dir() + "AB.dat");
    EXPECT_EQ(f.settings.fileName, "AB001.dat");
    EXPECT_EQ(f.state.dataDriveRoot, f.dir.Path().string());
    auto buttons = f.session.RecordButtons();
    EXPECT_TRUE(buttons.recordEnabled && buttons.chooseEnabled && buttons.nextEnabled && !buttons.recording);

    f.session.ToggleRecording();
    buttons = f.session.RecordButtons();
    EXPECT_TRUE(buttons.recording && buttons.recordEnabled);
    EXPECT_FALSE(buttons.chooseEnabled || buttons.nextEnabled);

    f.session.AppendPulse(MakePulse(0));
    f.session.ToggleRecording();
    EXPECT_FALSE(f.session.IsRecording());
    EXPECT_EQ(f.settings.fileName, "AB002.dat"); // the next recording goes to a new file
    EXPECT_EQ(f.Read(f.Dir() + "AB001.dat").pulses.size(), 1u);
    EXPECT_GT(f.changes, 0);
}

TEST(RecordingSessionTest, ALimitDuringARecordingEndsItAndSelectsTheNextFile) {
    SessionFixture f;
    f.session.TakeChosenFile(f.Dir() + "AB.dat");
    f.session.StartRecording();
    f.session.AppendPulse(MakePulse(0));
    f.state.maxDataFileMB = 0.0f;
    f.session.AppendPulse(MakePulse(1));
    EXPECT_FALSE(f.session.IsRecording());
    EXPECT_EQ(f.prompts.Texts(), std::vector<std::string>{messages::kMaxFileSizeExceeded}); // once
    EXPECT_EQ(f.settings.fileName, "AB002.dat");
    EXPECT_EQ(f.Read(f.Dir() + "AB001.dat").storedCount, 1u);
}

TEST(RecordingSessionTest, GcTransitionsRestartTheRecordingInConsecutiveFiles) {
    SessionFixture f;
    f.session.TakeChosenFile(f.Dir() + "GC.dat");
    QueuePort port;
    LogHost host(f.config);
    AcquisitionCycle cycle(f.state, port, host, f.clock, f.clock);
    cycle.SetRecorder(&f.session);

    const auto pulse = [&](std::uint32_t n, std::uint16_t status) {
        PulseRecord record = MakePulse(n);
        record.statusWord = status;
        port.pulses.push_back(record);
        cycle.Tick();
    };
    pulse(0, kStatusGcRunLevel); // rising edge: a recording starts in GC001
    pulse(1, kStatusGcRunLevel);
    pulse(2, kStatusGcRunLevel | kStatusGcRunToRun); // GC002 begins with this pulse
    pulse(3, kStatusGcRunLevel);
    pulse(4, 0); // falling edge: stopped before this pulse is appended
    EXPECT_FALSE(f.session.IsRecording());

    const DataFileContents first = f.Read(f.Dir() + "GC001.dat");
    const DataFileContents second = f.Read(f.Dir() + "GC002.dat");
    ASSERT_EQ(first.pulses.size(), 2u);
    ASSERT_EQ(second.pulses.size(), 2u);
    EXPECT_EQ(second.pulses[0].timeCounter, MakePulse(2).timeCounter);
    EXPECT_NE(second.runLogText.find("GC Run to GC Run Transition"), std::string::npos);
    EXPECT_EQ(first.runLogText.find("GC Run to GC Run Transition"), std::string::npos);
    EXPECT_EQ(f.settings.fileName, "GC003.dat");
}

// A link at the name, even one pointing nowhere, would send the recording wherever it points.
#if !defined(_WIN32) // making a link there takes an administrator
TEST(RecordingSessionTest, ALinkAtTheDataFileNameIsRefusedAndNotFollowed) {
    SessionFixture f;
    const std::string target = f.Dir() + "elsewhere.dat";
    std::filesystem::create_symlink(target, f.Dir() + "AB001.dat");
    f.session.TakeChosenFile(f.Dir() + "AB001.dat");
    EXPECT_EQ(f.prompts.Texts(), std::vector<std::string>{messages::kDataFileIsLink});
    EXPECT_EQ(f.settings.fileName, "");

    // A link that appears after the name was chosen.
    f.prompts.Clear();
    EXPECT_FALSE(f.recorder.Open(f.Dir() + "AB001.dat"));
    EXPECT_EQ(f.prompts.Texts(), std::vector<std::string>{messages::kDataFileIsLink});
    EXPECT_FALSE(std::filesystem::exists(target));
}
#endif

TEST(RecordingSessionTest, AnExistingFileIsReplacedOnlyAfterTheQuestionsYes) {
    SessionFixture f;
    f.session.TakeChosenFile(f.Dir() + "AB.dat");
    ASSERT_EQ(f.settings.fileName, "AB001.dat");
    fakes::WriteBytes(f.Dir() + "AB001.dat", {'k', 'e', 'e', 'p'}); // appeared after the choice
    f.prompts.QueueAnswer(false);
    f.session.ToggleRecording();
    EXPECT_FALSE(f.session.IsRecording());
    EXPECT_EQ(fakes::ReadText(f.Dir() + "AB001.dat"), "keep");
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.shown[0].text, naming::ReplaceQuestion(f.Dir() + "AB001.dat"));

    f.prompts.QueueAnswer(true);
    f.session.ToggleRecording();
    EXPECT_TRUE(f.session.IsRecording());
    f.session.ToggleRecording();
    EXPECT_EQ(f.Read(f.Dir() + "AB001.dat").storedCount, 0u);

    // Answered Yes when the name was chosen: not asked a second time at the start.
    f.prompts.Clear();
    f.prompts.QueueAnswer(true);
    f.session.TakeChosenFile(f.Dir() + "AB001.dat");
    f.session.ToggleRecording();
    EXPECT_TRUE(f.session.IsRecording());
    EXPECT_EQ(f.prompts.shown.size(), 1u);
}

TEST(RecordingSessionTest, WithoutAChosenFileTheDefaultFileOfTheWorkingDirectoryIsTaken) {
    SessionFixture f;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(f.dir.Path());
    fakes::WriteBytes(f.dir.File("file004.dat"), {1});
    f.session.StartRecording();
    std::filesystem::current_path(previous);

    EXPECT_TRUE(f.session.IsRecording());
    EXPECT_EQ(f.settings.fileName, "file005.dat");
    EXPECT_EQ(f.settings.filePrefix, "file");
    EXPECT_EQ(f.settings.directory, f.Dir());
    EXPECT_TRUE(f.session.RecordButtons().recordEnabled);
    f.session.StopRecording();
    EXPECT_TRUE(std::filesystem::exists(f.dir.File("file005.dat")));
    EXPECT_EQ(fakes::ReadBytes(f.dir.File("file004.dat")).size(), 1u);
}

} // namespace
