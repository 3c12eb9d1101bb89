#pragma once

#include "platform/Clock.h"

#include <string>

namespace veltrane {

class ConfigurationModel;
class ReportPageBuilder;

// The values of the session the report prints beside the configuration.
struct ReportSession {
    bool online = false;
    std::string documentTitle;
    int dspMode = 0; // last mode read from the controller
    LocalDateTime today;
};

// The title an unsaved document carries; the report shows the DSP mode in its place.
inline constexpr const char* kUntitledDocumentTitle = "untitled";

// "DSP Default Mode", "DSP User Defined Mode", "***" for anything else.
std::string DspModeText(int mode);

// Composes the whole report onto the builder's page. Returns true when the document is
// untitled: the caller should then ask the controller for a fresh DSP mode for the next report.
[[nodiscard]] bool BuildConfigurationReport(const ConfigurationModel& config, const ReportSession& session,
                                            ReportPageBuilder& builder);

// The report text, for callers that only want the page.
std::string ConfigurationReportText(const ConfigurationModel& config, const ReportSession& session,
                                    bool* readDspMode = nullptr);

} // namespace veltrane
