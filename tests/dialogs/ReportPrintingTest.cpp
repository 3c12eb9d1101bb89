#include "DialogTestSupport.h"
#include "config/LogTexts.h"
#include "dialogs/DialogMessages.h"
#include "dialogs/ReportPrinter.h"
#include "dialogs/RunLogDialog.h"

#include <QListWidget>
#include <QPixmap>
#include <QPrinter>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace veltrane {
namespace {

using dialogtest::DialogWorld;

bool HavePdfToText() {
    return std::system("pdftotext -v > /dev/null 2>&1") == 0;
}

// pdftotext's layout text of a PDF, read as monospaced text 6 points a character.
std::string PdfText(const std::string& pdf) {
    const std::string txt = pdf + ".txt";
    const std::string command = "pdftotext -layout -fixed 6 '" + pdf + "' '" + txt + "' 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return fakes::ReadText(txt);
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The lines with text, trailing blanks and the page's left margin taken off; the extraction
// does not keep the number of blank lines, so those are left out of the comparison.
std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t indent = std::string::npos;
    for (std::string line : SplitLines(text)) {
        while (!line.empty() && (line.back() == ' ' || line.back() == '\f' || line.back() == '\r')) {
            line.pop_back();
        }
        while (!line.empty() && line.front() == '\f') {
            line.erase(0, 1);
        }
        if (!line.empty()) {
            indent = std::min(indent, line.find_first_not_of(' '));
            lines.push_back(line);
        }
    }
    for (std::string& line : lines) {
        line.erase(0, indent);
    }
    return lines;
}

// Larger fonts come out spread over the 6-point grid; their words are what matters.
std::string Collapsed(const std::string& line) {
    std::string out;
    for (char c : line) {
        if (c != ' ' || (!out.empty() && out.back() != ' ')) {
            out += c;
        }
    }
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

int PageCount(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\f'));
}

TEST(ReportPrintingTest, PdfOfAConfigurationFileMatchesTheGoldenText) {
    if (!HavePdfToText()) {
        GTEST_SKIP() << "pdftotext is not installed";
    }
    fakes::TempDir dir;
    const std::string pdf = dir.File("report.pdf");
    std::string error;
    ASSERT_TRUE(WriteConfigurationReportPdf(fakes::TestDataPath("report_full.cfg"), pdf, error)) << error;
    std::string golden = fakes::ReadText(fakes::TestDataPath("report_full.txt"));
    const std::string today = LogDate(SystemClock::Instance().LocalNow());
    golden.replace(golden.find("12/07/26"), 8, today);

    const std::string text = PdfText(pdf);
    EXPECT_EQ(PageCount(text), 1);
    EXPECT_EQ(TextLines(text), TextLines(golden));
}

TEST(ReportPrintingTest, MissingOrUnwritableFilesFail) {
    fakes::TempDir dir;
    std::string error;
    EXPECT_FALSE(WriteConfigurationReportPdf(dir.File("none.cfg"), dir.File("a.pdf"), error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(WriteConfigurationReportPdf(fakes::TestDataPath("report_full.cfg"),
                                             dir.File("no/such/a.pdf"), error));
    EXPECT_FALSE(error.empty());
}

TEST(ReportPrintingTest, UntitledDocumentPrintsTheDspModeAndAsksForANewOne) {
    if (!HavePdfToText()) {
        GTEST_SKIP() << "pdftotext is not installed";
    }
    DialogWorld world;
    world.live.dspMode = 1;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(world.dir.File("untitled.pdf")));
    ASSERT_TRUE(PrintConfigurationReport(printer, {world.config, world.live, "untitled", {2026, 12, 7}}));
    EXPECT_NE(PdfText(world.dir.File("untitled.pdf")).find("File Name:        DSP User Defined Mode"),
              std::string::npos);
    EXPECT_EQ(world.live.pendingRequest.Current(), kRequestReadDspMode);
    EXPECT_FALSE(world.live.pollingSuspended);
    EXPECT_EQ(world.live.resumeDelay, 10);

    // A pending transfer keeps its place; the reading waits behind it.
    DialogWorld busy;
    busy.live.pendingRequest.Post(kRequestTransmitAll);
    busy.live.pollingSuspended = true; // already held off by the caller: stays so
    printer.setOutputFileName(QString::fromStdString(busy.dir.File("busy.pdf")));
    ASSERT_TRUE(PrintConfigurationReport(printer, {busy.config, busy.live, "untitled", {2026, 12, 7}}));
    EXPECT_EQ(busy.live.pendingRequest.Current(), kRequestTransmitAll);
    EXPECT_EQ(busy.live.pendingRequest.FollowUp(), kRequestReadDspMode);
    EXPECT_TRUE(busy.live.pollingSuspended);

    // A saved document asks for nothing.
    DialogWorld saved;
    printer.setOutputFileName(QString::fromStdString(saved.dir.File("saved.pdf")));
    ASSERT_TRUE(PrintConfigurationReport(printer, {saved.config, saved.live, "plant.cfg", {2026, 12, 7}}));
    EXPECT_TRUE(saved.live.pendingRequest.Empty());
}

// --- Run Log dialog -------------------------------------------------------------------

std::vector<std::string> ListLines(const RunLogDialog& dialog) {
    std::vector<std::string> lines;
    for (int i = 0; i < dialog.List()->count(); ++i) {
        lines.push_back(dialog.List()->item(i)->text().toStdString());
    }
    return lines;
}

void WriteLog(DialogWorld& world, const std::string& text) {
    fakes::WriteBytes(world.runLog.FilePath(), std::vector<unsigned char>(text.begin(), text.end()));
}

QPushButton* Button(RunLogDialog& dialog, const char* name) {
    return dialog.findChild<QPushButton*>(QString::fromUtf8(name));
}

TEST(RunLogDialogTest, ListsTheFileInPiecesOf99) {
    DialogWorld world;
    WriteLog(world, "12/07/26  09:30:00\r\n" + std::string(150, 'x') + "\r\n\r\n12/07/26  09:31:00\r\nnext");
    RunLogDialog dialog(world.host, nullptr);
    EXPECT_EQ(ListLines(dialog),
              (std::vector<std::string>{"12/07/26  09:30:00", std::string(99, 'x'), std::string(51, 'x'), "",
                                        "12/07/26  09:31:00", "next"}));
    EXPECT_TRUE(world.prompts.Texts().empty());
}

TEST(RunLogDialogTest, TabbedEntriesLineUpInColumns) {
    DialogWorld world;
    std::string log = "12/07/26  09:30:00\r\nChanged Timed Event Parameters:\r\n";
    log += "Start Time:  0.50,\tType: Auto-Zero,\tChannel 1,\tValue: 0.00\r\n";
    log += "Start Time: 12.75,\tType: Attenuation,\tChannel 2,\tValue: 16\r\n";
    WriteLog(world, log);
    RunLogDialog dialog(world.host, nullptr);
    dialog.resize(dialog.sizeHint());
    const QPixmap picture = dialog.grab();
    EXPECT_FALSE(picture.isNull());
    picture.save(QStringLiteral(VELTRANE_DIALOGS_PNG_DIR "/run-log-dialog.png"), "PNG");
    EXPECT_EQ(ListLines(dialog)[3], "Start Time: 12.75,\tType: Attenuation,\tChannel 2,\tValue: 16");
}

TEST(RunLogDialogTest, MissingAndUnopenableFilesAreReported) {
    DialogWorld world;
    std::filesystem::remove(world.runLog.FilePath());
    {
        RunLogDialog dialog(world.host, nullptr);
        EXPECT_TRUE(
            world.Shown("Unable to find " + world.runLog.FilePath() + ". This file will be recreated!"));
        EXPECT_EQ(dialog.List()->count(), 0);
        EXPECT_TRUE(std::filesystem::exists(world.runLog.FilePath()));
    }
    std::filesystem::remove(world.runLog.FilePath());
    std::filesystem::create_directory(world.runLog.FilePath());
    RunLogDialog locked(world.host, nullptr);
    EXPECT_TRUE(world.Shown("Unable to open " + world.runLog.FilePath() +
                            ".  This file may be in use by another process!"));
    EXPECT_EQ(locked.List()->count(), 0);
}

TEST(RunLogDialogTest, ClearThenCancelKeepsTheFileAndClearThenOkEmptiesOnlyTheFile) {
    DialogWorld world;
    std::vector<TimedEvent> events = {dialogtest::Event(1.0f, kEventRecord, 0, 5.0f)};
    world.config.ReplaceTimedEvents(events);
    const std::string log = "12/07/26  09:30:00\r\nentry";
    WriteLog(world, log);
    const auto entriesBefore = world.config.RunLogEntries();
    {
        RunLogDialog dialog(world.host, nullptr);
        Button(dialog, "clearButton")->click();
        EXPECT_EQ(dialog.List()->count(), 0);
        Button(dialog, "cancelButton")->click();
        EXPECT_EQ(fakes::ReadText(world.runLog.FilePath()), log);
    }
    RunLogDialog dialog(world.host, nullptr);
    Button(dialog, "clearButton")->click();
    Button(dialog, "okButton")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(fakes::ReadText(world.runLog.FilePath()), "");
    // Clearing the journal leaves the configuration alone.
    ASSERT_EQ(world.config.GetTimedEvents().size(), 1u);
    EXPECT_EQ(world.config.GetTimedEvents()[0].value, 5.0f);
    EXPECT_EQ(world.config.RunLogEntries(), entriesBefore);
    EXPECT_FALSE(world.document.modified);

    // The file went away meanwhile: nothing to delete, and the dialog still closes.
    RunLogDialog gone(world.host, nullptr);
    Button(gone, "clearButton")->click();
    std::filesystem::remove(world.runLog.FilePath());
    Button(gone, "okButton")->click();
    EXPECT_TRUE(world.Shown("Unable to find " + world.runLog.FilePath() + ".  Deletion canceled!"));
    EXPECT_EQ(gone.result(), QDialog::Accepted);
}

TEST(RunLogDialogTest, SaveAsWritesEveryLineWithPollingHeldOff) {
    DialogWorld world;
    std::string log;
    for (int i = 0; i < 50; ++i) {
        log += "Start Time: " + std::to_string(i) + ",\tType: Gate,\tChannel 1,\tValue: S\r\n";
    }
    WriteLog(world, log);
    RunLogDialog dialog(world.host, nullptr);
    const std::string out = world.dir.File("export.txt");
    bool suspended = false;
    dialog.chooseSavePath = [&]() -> std::optional<std::string> {
        suspended = world.live.pollingSuspended;
        return out;
    };
    Button(dialog, "saveAsButton")->click();
    EXPECT_TRUE(suspended);
    EXPECT_FALSE(world.live.pollingSuspended);
    std::string expected;
    for (const std::string& line : ListLines(dialog)) {
        expected += line + "\n";
    }
    EXPECT_EQ(dialog.List()->count(), 50);
    EXPECT_EQ(fakes::ReadText(out), expected);
}

class RunLogPrintTest : public ::testing::Test {
protected:
    // Prints a log of count lines through the dialog to a PDF and returns its text.
    std::string PrintLines(int count, int lastPage = 0) {
        std::string log;
        for (int i = 1; i <= count; ++i) {
            log += "line " + std::to_string(i) + "\r\n";
        }
        WriteLog(world, log);
        RunLogDialog dialog(world.host, nullptr);
        dialog.today = [] { return LocalDateTime{2026, 12, 7}; };
        const std::string pdf = world.dir.File("log" + std::to_string(count) + ".pdf");
        dialog.choosePrinter = [&](QPrinter& printer, int& last) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(pdf));
            last = lastPage;
            return true;
        };
        Button(dialog, "printButton")->click();
        return PdfText(pdf);
    }

    void SetUp() override {
        if (!HavePdfToText()) {
            GTEST_SKIP() << "pdftotext is not installed";
        }
    }

    DialogWorld world;
};

std::vector<std::string> Page(const std::string& text, int number) {
    std::vector<std::string> pages;
    std::string page;
    for (char c : text) {
        if (c == '\f') {
            pages.push_back(page);
            page.clear();
        } else {
            page += c;
        }
    }
    return TextLines(pages.at(static_cast<std::size_t>(number - 1)));
}

TEST_F(RunLogPrintTest, FortyTwoLinesFillOnePage) {
    const std::string text = PrintLines(42);
    ASSERT_EQ(PageCount(text), 1);
    const auto page = Page(text, 1);
    ASSERT_EQ(page.size(), 45u);
    EXPECT_EQ(Collapsed(page[0]), "Veltrane Run Log Report");
    EXPECT_EQ(Collapsed(page[1]), "Monday, December 07, 2026");
    EXPECT_EQ(page[2], "line 1");
    EXPECT_EQ(page[43], "line 42");
    EXPECT_EQ(Collapsed(page[44]), "Page 1");
}

TEST_F(RunLogPrintTest, FortyThreeLinesTakeASecondPage) {
    const std::string text = PrintLines(43);
    ASSERT_EQ(PageCount(text), 2);
    EXPECT_EQ(Collapsed(Page(text, 1).back()), "Page 1");
    const auto second = Page(text, 2);
    ASSERT_EQ(second.size(), 4u);
    EXPECT_EQ(Collapsed(second[0]), "Veltrane Run Log Report");
    EXPECT_EQ(second[2], "line 43");
    EXPECT_EQ(Collapsed(second[3]), "Page 2");
}

TEST_F(RunLogPrintTest, PageRangeStopsAfterItsLastPage) {
    const std::string text = PrintLines(130, 2);
    ASSERT_EQ(PageCount(text), 2);
    EXPECT_EQ(Page(text, 2)[2], "line 43");
}

// A printer that cannot start (here: a print file in a folder that does not exist) is reported,
// from File Print and from the Run Log dialog alike.
TEST(PrintFailureTest, RefusedPrintoutsSaySo) {
    DialogWorld world;
    const QString unwritable = QString::fromStdString(world.dir.File("no/such/folder/out.pdf"));
    const auto toFile = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(unwritable);
    };
    ReportPrinting report(world.prompts, [&] {
        return ReportContext{world.config, world.live, "plant.cfg", {2026, 12, 7}};
    });
    report.choosePrinter = [&](QPrinter& printer) {
        toFile(printer);
        return true;
    };
    report.Print(nullptr);
    EXPECT_EQ(world.prompts.Texts(), std::vector<std::string>{messages::kPrintFailed});

    world.prompts.Clear();
    WriteLog(world, "12/07/26  09:30:00\r\nentry\r\n");
    RunLogDialog dialog(world.host, nullptr);
    dialog.choosePrinter = [&](QPrinter& printer, int& lastPage) {
        toFile(printer);
        lastPage = 0;
        return true;
    };
    Button(dialog, "printButton")->click();
    EXPECT_EQ(world.prompts.Texts(), std::vector<std::string>{messages::kPrintFailed});
}

} // namespace
} // namespace veltrane
