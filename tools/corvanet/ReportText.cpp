#include "ReportText.h"

#include "config/ConfigurationModel.h"
#include "config/ConfigurationReport.h"
#include "config/RunLog.h"
#include "platform/Clock.h"
#include "platform/Prompts.h"
#include "tools/veltrane-cfg/ConfigText.h"

namespace veltrane::corvanet {

namespace {

// The report is built from a sound block, so nothing should be said; anything said is dropped.
class SilentPrompts : public Prompts {
public:
    void ShowMessage(const std::string&, MessageIcon) override {}
    bool AskWarning(const std::string&) override { return false; }
};

} // namespace

std::string ConfigurationReportOf(const DataFileContents& file, const std::string& title) {
    SilentPrompts prompts;
    RunLog log("", SystemClock::Instance(), prompts);
    ConfigurationModel model(prompts, log);
    model.SetLoggingEnabled(false);
    if (!model.LoadBlock(file.configurationBytes)) {
        return cfgtext::FormatConfiguration(file.configuration);
    }
    ReportSession session;
    session.documentTitle = title;
    session.today = {file.header.year, file.header.month,  file.header.day,
                     file.header.hour, file.header.minute, 0};
    return ConfigurationReportText(model, session);
}

} // namespace veltrane::corvanet
