#include "FakePlatform.h"
#include "app/AppMessages.h"
#include "app/CPfpdDoc.h"
#include "config/ConfigurationModel.h"
#include "config/Messages.h"
#include "config/RunLog.h"
#include "live/LiveState.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace veltrane;

namespace {

class DocumentTest : public ::testing::Test {
protected:
    DocumentTest()
        : runLog(dir.File("veltrane.log"), clock, prompts), config(prompts, runLog),
          doc(config, state, prompts) {
        file = dir.File("run.cfg");
        config.SaveConfiguration(file);
    }

    fakes::TempDir dir;
    fakes::FakePrompts prompts;
    fakes::FakeClock clock;
    RunLog runLog;
    ConfigurationModel config;
    LiveState state;
    CPfpdDoc doc;
    std::string file;
};

} // namespace

TEST_F(DocumentTest, OnlineOpenTransmitsFirstThenSavesToEeprom) {
    state.online = true;
    state.pendingRequest.Post(kRequestReset);
    prompts.QueueAnswer(true);
    ASSERT_TRUE(doc.OnOpenDocument(file));
    ASSERT_FALSE(prompts.shown.empty());
    EXPECT_EQ(prompts.shown[0].text, messages::kSaveToEepromQuestion);
    EXPECT_TRUE(prompts.shown[0].question);
    EXPECT_EQ(state.pendingRequest.Take(), kRequestTransmitAll);
    EXPECT_EQ(state.pendingRequest.Take(), kRequestSaveToEeprom);
    EXPECT_EQ(state.pendingRequest.Take(), kRequestNone);
    ASSERT_FALSE(config.RunLogEntries().empty());
    EXPECT_NE(config.RunLogEntries().back().find(messages::kLogSavedToEeprom), std::string::npos);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.Title(), "run.cfg");

    // A later menu request replaces the transmit but the save still follows it.
    prompts.QueueAnswer(true);
    doc.OnOpenDocument(file);
    state.pendingRequest.Post(kRequestReceiveAll);
    EXPECT_EQ(state.pendingRequest.Take(), kRequestReceiveAll);
    EXPECT_EQ(state.pendingRequest.Take(), kRequestSaveToEeprom);
}

TEST_F(DocumentTest, OfflineOpenNeitherTransmitsNorAsks) {
    ASSERT_TRUE(doc.OnOpenDocument(file));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(state.pendingRequest.Empty());
}

TEST_F(DocumentTest, RefusedFilesSaySoAndKeepTheDocument) {
    ASSERT_TRUE(doc.OnOpenDocument(file));
    fakes::WriteBytes(dir.File("bad.cfg"), {0x00, 0x00, 0x00, 0x00});
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("bad.cfg")));
    EXPECT_EQ(prompts.Texts().back(), messages::kInvalidConfigurationFile);
    EXPECT_EQ(doc.Title(), "run.cfg");

    prompts.Clear();
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("missing.cfg")));
    EXPECT_EQ(prompts.Texts().back(), messages::kInvalidConfigurationFile);

    // Nobody writes into it: opening must not wait for a writer.
    prompts.Clear();
    ASSERT_EQ(::mkfifo(dir.File("DEFAULT.CFG").c_str(), 0600), 0);
    EXPECT_FALSE(doc.OnOpenDocument(dir.File("DEFAULT.CFG")));
    ASSERT_EQ(prompts.Texts().size(), 2u) << "cannot open, then not loaded";
    EXPECT_NE(prompts.Texts()[0].find(dir.File("DEFAULT.CFG")), std::string::npos);
    EXPECT_EQ(prompts.Texts()[1], messages::kInvalidConfigurationFile);
    EXPECT_EQ(doc.Title(), "run.cfg");
}

TEST_F(DocumentTest, FailedSaveIsReportedAndTheDocumentStaysModified) {
    doc.SetModifiedFlag(true);
    EXPECT_FALSE(doc.OnSaveDocument(dir.File("no/such/folder/x.cfg")));
    EXPECT_EQ(prompts.Texts().back(), messages::kUnableToSaveConfiguration);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(state.resumeDelay, 0);

    // Save Changes: Cancel keeps the window open, No lets it close.
    CPfpdDoc::Hooks hooks;
    std::string asked;
    SaveAnswer answer = SaveAnswer::Cancel;
    hooks.askSaveChanges = [&](const std::string& question) {
        asked = question;
        return answer;
    };
    doc.SetHooks(hooks);
    EXPECT_FALSE(doc.SaveModified());
    EXPECT_EQ(asked, "Save changes to untitled?");
    EXPECT_EQ(state.resumeDelay, 10);
    EXPECT_FALSE(state.pollingSuspended);
    answer = SaveAnswer::No;
    EXPECT_TRUE(doc.SaveModified());
}
