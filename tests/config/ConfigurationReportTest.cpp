#include "config/ConfigurationReport.h"
#include "CommaLocale.h"
#include "ConfigFixture.h"
#include "config/ReportPageBuilder.h"

#include <gtest/gtest.h>

namespace veltrane {
namespace {

using testing::ConfigFixture;

ReportSession Session(const std::string& title, bool online = false, int dspMode = 0) {
    ReportSession session;
    session.online = online;
    session.documentTitle = title;
    session.dspMode = dspMode;
    session.today = LocalDateTime{2026, 12, 7, 9, 30, 0};
    return session;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The line that starts with the event's number in the timed-event table.
std::string EventRow(const std::string& report, int number) {
    const auto lines = Lines(report);
    const std::string heading = "      Event";
    auto it = std::find_if(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.rfind(heading, 0) == 0; });
    EXPECT_NE(it, lines.end());
    return *(it + 1 + number);
}

// The value column (the last 14 characters) without its padding.
std::string EventValue(const std::string& report, int number) {
    const std::string row = EventRow(report, number);
    EXPECT_EQ(row.size(), 76u);
    const std::string value = row.substr(62);
    return value.substr(value.find_first_not_of(' '));
}

TEST(ReportPageBuilderTest, TablesCopyTheirHeadingAfterOneBlankLine) {
    ReportPageBuilder builder;
    builder.AddLine("first");
    builder.AddLine("head", ReportTarget::Heading);
    builder.AddRule(ReportTarget::Heading);
    builder.StartTable();
    builder.ClearHeading();
    builder.AddLine("other", ReportTarget::Heading);
    builder.StartTable();
    EXPECT_EQ(builder.PageText(), "first\n\nhead\n" + std::string(80, '_') + "\n\nother\n");
}

TEST(ConfigurationReportTest, FullConfigurationMatchesTheGoldenText) {
    ConfigFixture fixture;
    ASSERT_TRUE(fixture.model.LoadConfiguration(fakes::TestDataPath("report_full.cfg")));
    bool readDsp = true;
    const std::string text = ConfigurationReportText(fixture.model, Session("report_full.cfg"), &readDsp);
    EXPECT_EQ(text, fakes::ReadText(fakes::TestDataPath("report_full.txt")));
    EXPECT_FALSE(readDsp);
    EXPECT_TRUE(fixture.prompts.Texts().empty());
}

// The desktop's locale reaches the C library through Qt; the report and the run log keep their points.
TEST(ConfigurationReportTest, ReportAndRunLogKeepDecimalPointsInACommaLocale) {
    VELTRANE_IN_COMMA_LOCALE(locale);
    ConfigFixture fixture;
    ASSERT_TRUE(fixture.model.LoadConfiguration(fakes::TestDataPath("report_full.cfg")));
    EXPECT_EQ(ConfigurationReportText(fixture.model, Session("report_full.cfg"), nullptr),
              fakes::ReadText(fakes::TestDataPath("report_full.txt")));
    fixture.model.SetIgnitorCurrent(2.5f);
    EXPECT_NE(fakes::ReadText(fixture.logPath).find("Changed Board Ignitor Current to 2.50"),
              std::string::npos)
        << fakes::ReadText(fixture.logPath);
}

TEST(ConfigurationReportTest, EmptyUntitledConfigurationKeepsHeadingsAndAsksForTheDspMode) {
    ConfigFixture fixture;
    bool readDsp = false;
    const std::string text = ConfigurationReportText(fixture.model, Session("untitled"), &readDsp);
    EXPECT_EQ(text, fakes::ReadText(fakes::TestDataPath("report_empty.txt")));
    EXPECT_TRUE(readDsp);
}

TEST(ConfigurationReportTest, SessionValuesInTheBoardSection) {
    ConfigFixture fixture;
    const auto online = Lines(ConfigurationReportText(fixture.model, Session("untitled", true, 1)));
    EXPECT_EQ(online[7], "     Mode:             Online");
    EXPECT_EQ(online[8], "     File Name:        DSP User Defined Mode");
    const auto strange = Lines(ConfigurationReportText(fixture.model, Session("untitled", true, -3)));
    EXPECT_EQ(strange[8], "     File Name:        ***");
    // Only the exact unsaved title stands for an untitled document.
    bool readDsp = true;
    const auto named = Lines(ConfigurationReportText(fixture.model, Session("Untitled.cfg"), &readDsp));
    EXPECT_EQ(named[8], "     File Name:        Untitled.cfg");
    EXPECT_FALSE(readDsp);
}

TEST(ConfigurationReportTest, EventValuesRoundOrTruncateByType) {
    ConfigFixture fixture;
    std::vector<TimedEvent> events = {
        {1.0f, kEventGate, 0, 13.6f, 1},      {1.0f, kEventAttenuation, 0, 4.9f, 0},
        {1.0f, kEventSquareRoot, 0, 0.4f, 0}, {1.0f, kEventRange, 0, -0.5f, 0},
        {1.0f, kEventGate, 0, 1e30f, 1},      {1.0f, kEventAttenuation, 0, -1e30f, 0},
        {1.0f, kEventRange, 0, 2.99f, 0},     {1.0f, kEventGate, 0, 22.4f, 4},
    };
    fixture.model.ReplaceTimedEvents(events);
    const std::string report = ConfigurationReportText(fixture.model, Session("a.cfg"));
    EXPECT_EQ(EventValue(report, 1), "Ni"); // 13.6 + 0.5 -> 14
    EXPECT_EQ(EventValue(report, 2), "16"); // 4.9 -> 4
    EXPECT_EQ(EventValue(report, 3), "OFF");
    EXPECT_EQ(EventValue(report, 4), "1");   // -0.5 truncates to 0
    EXPECT_EQ(EventValue(report, 5), "***"); // far outside every table
    EXPECT_EQ(EventValue(report, 6), "***");
    EXPECT_EQ(EventValue(report, 7), "100"); // 2.99 -> 2
    EXPECT_EQ(EventValue(report, 8), "UD-4");
}

} // namespace
} // namespace veltrane
