#pragma once

#include <string>

namespace veltrane {

// Where AddLine and AddRule write: the page itself or the heading block of the next table.
enum class ReportTarget {
    Page,
    Heading
};

// Collects one printed page of fixed-column text. Every line ends with "\n"; a table's
// heading lines are kept aside and copied onto the page by StartTable.
class ReportPageBuilder {
public:
    static constexpr int kRuleWidth = 80;
    static constexpr int kBlankLinesBeforeTable = 1;

    void AddLine(const std::string& text, ReportTarget target = ReportTarget::Page);
    void AddRule(ReportTarget target = ReportTarget::Page);
    void ClearHeading() { heading_.clear(); }
    // One empty line, then the whole heading block.
    void StartTable();

    const std::string& PageText() const { return page_; }

private:
    std::string& Text(ReportTarget target) { return target == ReportTarget::Page ? page_ : heading_; }

    std::string page_;
    std::string heading_;
};

} // namespace veltrane
