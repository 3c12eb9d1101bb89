#include "FakePlatform.h"
#include "GuiTestSupport.h"
#include "app/AppDialogs.h"
#include "app/SettingsProfile.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>

using namespace veltrane;

TEST(StartupDialogs, EscapeAndClosingMeanExit) {
    guitest::PressEscapeOnNextModal();
    EXPECT_EQ(AskSessionMode(nullptr, {}), kModeExit);
    guitest::PressEscapeOnNextModal();
    EXPECT_EQ(AskConnectionOption(nullptr, {}), kConnectionExit);
    guitest::OnNextModal([](QWidget* modal) { modal->close(); });
    EXPECT_EQ(AskSessionMode(nullptr, {}), kModeExit);
    guitest::OnNextModal(
        [](QWidget* modal) { modal->findChild<QPushButton*>(QStringLiteral("Offline"))->click(); });
    EXPECT_EQ(AskSessionMode(nullptr, {}), kModeOffline);
}

TEST(StartupDialogs, CommunicationsDialogShowsNoRadioForPortThree) {
    CommSettingsDialog dialog(nullptr, 3, 38400, {});
    EXPECT_EQ(dialog.Port(), 0);
    EXPECT_EQ(dialog.Baud(), 38400);
    dialog.SelectPort(2);
    dialog.SelectBaud(9600);
    EXPECT_EQ(dialog.Port(), 2);
    EXPECT_EQ(dialog.Baud(), 9600);
}

TEST(SettingsProfile, AFifoAsProfileIsNeverOpenedAndSettingsStayInMemory) {
    fakes::TempDir dir;
    // Nobody writes into these: reading one would wait for a writer for good.
    const std::string given = dir.File("given.ini");
    ASSERT_EQ(::mkfifo(given.c_str(), 0600), 0);
    std::filesystem::create_directories(dir.Path() / "Veltrane");
    const std::string perUser = dir.File("Veltrane/Veltrane.ini");
    ASSERT_EQ(::mkfifo(perUser.c_str(), 0600), 0);

    const char* home = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = home != nullptr ? home : "";
    ::setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    SettingsProfile fromUser;
    SettingsProfile fromOption(given);
    home != nullptr ? ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");

    EXPECT_EQ(fromUser.FileName(), perUser);
    EXPECT_EQ(fromOption.FileName(), given);
    fromOption.SetInt("Com", "Port", 1);
    EXPECT_EQ(fromOption.GetInt("Com", "Port", 2), 1);
    EXPECT_TRUE(std::filesystem::is_fifo(given)) << "never replaced by a written file";
    EXPECT_TRUE(std::filesystem::is_fifo(perUser));
}
