#include "config/RunLogListing.h"

#include "config/Messages.h"
#include "config/Vocabulary.h"
#include "platform/FilePath.h"
#include "platform/Prompts.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace veltrane {

namespace {

constexpr std::array<const char*, 7> kWeekdays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonths = {"January",   "February", "March",    "April",
                                                 "May",       "June",     "July",     "August",
                                                 "September", "October",  "November", "December"};

bool IsTrailingSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string WithoutTrailingSpace(std::string text) {
    while (!text.empty() && IsTrailingSpace(text.back())) {
        text.pop_back();
    }
    return text;
}

} // namespace

bool RunLogListing::Load(Prompts& prompts) {
    lines_.clear();
    std::error_code error;
    if (!std::filesystem::exists(PathFromUtf8(path_), error)) {
        prompts.ShowMessage(messages::kUnableToFind + path_ + messages::kWillBeRecreated);
    }
    // Opened for appending as well, so a missing log is created here and now.
    std::FILE* file = OpenFile(path_, "a+b");
    if (file == nullptr) {
        prompts.ShowMessage(messages::kUnableToOpen + path_ + messages::kMayBeInUse);
        return false;
    }
    std::rewind(file);
    std::string text;
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, count);
    }
    std::fclose(file);
    lines_ = SplitPieces(text);
    return true;
}

void RunLogListing::Clear() {
    cleared_ = true;
    lines_.clear();
}

void RunLogListing::Commit(Prompts& prompts) const {
    if (!cleared_) {
        return;
    }
    std::error_code error;
    if (!std::filesystem::exists(PathFromUtf8(path_), error)) {
        prompts.ShowMessage(messages::kUnableToFind + path_ + messages::kDeletionCanceled);
        return;
    }
    std::filesystem::resize_file(PathFromUtf8(path_), 0, error);
}

bool RunLogListing::SaveAs(const std::string& file) const {
    std::FILE* out = OpenFile(file, "wb");
    if (out == nullptr) {
        return false;
    }
    bool ok = true;
    for (const std::string& line : lines_) {
        ok = std::fprintf(out, "%s\n", line.c_str()) >= 0 && ok;
    }
    ok = std::fclose(out) == 0 && ok;
    return ok;
}

std::vector<std::string> RunLogListing::SplitPieces(std::string_view text) {
    std::vector<std::string> pieces;
    std::string piece;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue; // CR LF is one line end
        }
        piece += c;
        if (c == '\n' || piece.size() == kPieceLength) {
            pieces.push_back(WithoutTrailingSpace(std::move(piece)));
            piece.clear();
        }
    }
    if (!piece.empty()) {
        pieces.push_back(WithoutTrailingSpace(std::move(piece)));
    }
    return pieces;
}

std::vector<RunLogPage> RunLogListing::PlanPages(int lineCount, int lastPage) {
    std::vector<RunLogPage> pages;
    int first = 0;
    int number = 1;
    do {
        if (lastPage > 0 && number > lastPage) {
            break;
        }
        const int onPage = std::min(kLinesPerPage, lineCount - first);
        pages.push_back({number, first, onPage});
        first += onPage;
        ++number;
    } while (first < lineCount);
    return pages;
}

std::string RunLogListing::PrintDate(const LocalDateTime& when) {
    using namespace std::chrono;
    const year_month_day date{year{when.year}, month{static_cast<unsigned>(when.month)},
                              day{static_cast<unsigned>(when.day)}};
    if (!date.ok()) {
        return Format("%02d/%02d/%04d", when.month, when.day, when.year);
    }
    const weekday dayOfWeek{sys_days{date}};
    return Format("%s, %s %02d, %d", kWeekdays[dayOfWeek.c_encoding()],
                  kMonths[static_cast<std::size_t>(when.month - 1)], when.day, when.year);
}

std::string RunLogListing::PageFooter(int number) {
    return Format("Page %d", number);
}

std::array<int, 4> RunLogListing::ListTabStopsDlu(int sampleWidth, int dialogBaseUnit) {
    const int average = (sampleWidth / 34 + 1) / 2;
    const int base = dialogBaseUnit > 0 ? dialogBaseUnit : 1;
    std::array<int, 4> stops{};
    for (std::size_t i = 0; i < stops.size(); ++i) {
        stops[i] = kListTabStops[i] * average * 4 / base;
    }
    return stops;
}

} // namespace veltrane
