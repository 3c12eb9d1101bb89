#include "config/ReportPageBuilder.h"

namespace veltrane {

void ReportPageBuilder::AddLine(const std::string& text, ReportTarget target) {
    std::string& destination = Text(target);
    destination += text;
    destination += '\n';
}

void ReportPageBuilder::AddRule(ReportTarget target) {
    AddLine(std::string(kRuleWidth, '_'), target);
}

void ReportPageBuilder::StartTable() {
    for (int i = 0; i < kBlankLinesBeforeTable; ++i) {
        page_ += '\n';
    }
    page_ += heading_;
}

} // namespace veltrane
