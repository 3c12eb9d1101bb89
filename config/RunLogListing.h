#pragma once

#include "platform/Clock.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace veltrane {

class Prompts;

// One printed page of the run log: its number and the list lines on it.
struct RunLogPage {
    int number = 1;
    int firstLine = 0;
    int lineCount = 0;
};

// The run log file as the Run Log dialog lists, clears, exports and prints it. Everything
// here works without a window, so the dialog stays a thin layer of widgets.
class RunLogListing {
public:
    static constexpr std::size_t kPieceLength = 99;
    static constexpr int kLinesPerPage = 42;
    // List tab stops in average characters, printed tab stops in thousandths of the page width.
    static constexpr std::array<int, 4> kListTabStops = {23, 45, 70, 92};
    static constexpr std::array<int, 4> kPrintTabStops = {250, 300, 525, 700};
    static constexpr const char* kPrintTitle = "Veltrane Run Log Report";
    static constexpr const char* kPrintFont = "Courier";
    static constexpr const char* kPrintDocumentName = "test";
    static constexpr const char* kTabSample =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/:-.,+";

    explicit RunLogListing(std::string path) : path_(std::move(path)) {}

    // Reads the file into the list (creating it when missing). A missing or unreadable
    // file is reported; the list is then empty. False when the file could not be opened.
    bool Load(Prompts& prompts);
    const std::vector<std::string>& Lines() const { return lines_; }
    const std::string& Path() const { return path_; }

    // Empties the list; the file is only emptied by Commit.
    void Clear();
    // The OK button: after Clear, empties the file (or says it is missing). Touches nothing else.
    void Commit(Prompts& prompts) const;
    // Writes every list line followed by a line end; false when the file cannot be created.
    bool SaveAs(const std::string& file) const;

    // The text cut as the list shows it: pieces of at most 99 characters up to and including
    // a line end (CR LF counts as one), trailing white space removed.
    static std::vector<std::string> SplitPieces(std::string_view text);
    // Pages of 42 lines; lastPage > 0 stops after that page. An empty list still gets page 1.
    static std::vector<RunLogPage> PlanPages(int lineCount, int lastPage = 0);
    // "%A, %B %d, %Y" in English: "Monday, December 07, 2026".
    static std::string PrintDate(const LocalDateTime& when);
    static std::string PageFooter(int number);
    // The list's stops in dialog units from the sample's width and the dialog's base unit.
    static std::array<int, 4> ListTabStopsDlu(int sampleWidth, int dialogBaseUnit);

private:
    std::string path_;
    std::vector<std::string> lines_;
    bool cleared_ = false;
};

} // namespace veltrane
