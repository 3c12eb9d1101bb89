#include "config/ConfigurationReport.h"

#include "config/ConfigurationBlock.h"
#include "config/ConfigurationModel.h"
#include "config/LogTexts.h"
#include "config/Messages.h"
#include "config/ReportPageBuilder.h"
#include "config/Vocabulary.h"

#include <cmath>

namespace veltrane {

namespace {

constexpr const char* kReportTitle = "Veltrane Configuration Report";
constexpr const char* kOnline = "Online";
constexpr const char* kOffline = "Offline";
constexpr const char* kDspDefaultMode = "DSP Default Mode";
constexpr const char* kDspUserDefinedMode = "DSP User Defined Mode";
constexpr const char* kNotApplicable = "N/A";
constexpr const char* kMinutes = "MIN";
constexpr const char* kAmps = "AMPS";

// A float taken as a table index the way a C cast truncates it; values no table could
// hold (huge, infinite, not a number) become -1, which every table shows as "***".
long long TruncatedIndex(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 1.0e9) {
        return -1;
    }
    return static_cast<long long>(value);
}

std::string GateModeText(long long name, int suffix) {
    if (name < 0 || name >= static_cast<long long>(kGateModeNames.size())) {
        return messages::kUnknownIndex;
    }
    return GateModeDisplayName(static_cast<int>(name), suffix);
}

void AddBlankLines(ReportPageBuilder& builder, int count) {
    for (int i = 0; i < count; ++i) {
        builder.AddLine("");
    }
}

void AddTitle(ReportPageBuilder& builder, const ReportSession& session) {
    AddBlankLines(builder, 2);
    builder.AddLine(Format("%55s", kReportTitle));
    builder.AddLine(Format("%44s", LogDate(session.today).c_str()));
    AddBlankLines(builder, 1);
}

// True when the document is untitled and the DSP mode was printed in its place.
bool AddBoard(ReportPageBuilder& builder, const ConfigurationBlock& block, const ReportSession& session) {
    const bool untitled = session.documentTitle == kUntitledDocumentTitle;
    const std::string name = untitled ? DspModeText(session.dspMode) : session.documentTitle;
    const BoardSettings& board = block.board;

    AddBlankLines(builder, 2);
    builder.AddLine(Format("     %5s             %s", "Mode:", session.online ? kOnline : kOffline));
    builder.AddLine(Format("     %10s        %s", "File Name:", name.c_str()));
    builder.AddLine(Format("     %12s      %d", "PMT Voltage:", board.pmtVoltage));
    builder.AddLine(Format("     %10s  %.2f", "Ignitor Current:", static_cast<double>(board.ignitorCurrent)));
    builder.AddLine(Format("     %14s    %d", "Trigger Level:", board.triggerLevel));
    builder.AddLine(Format("     %6s            %s", "Range:", TableText(kRangeNames, board.range).c_str()));
    AddBlankLines(builder, 1);
    return untitled;
}

void AddChannels(ReportPageBuilder& builder, const ConfigurationBlock& block) {
    AddBlankLines(builder, 2);
    builder.ClearHeading();
    builder.AddLine(Format("     %7s  %13s  %20s  %12s  %11s", "Channel", "Zero Value", "Interpolation Mode",
                           "Attenuation", "Gate Mode"),
                    ReportTarget::Heading);
    builder.AddRule(ReportTarget::Heading);
    builder.StartTable();
    for (int i = 0; i < kChannelCount; ++i) {
        const ChannelSettings& channel = block.channels[static_cast<std::size_t>(i)];
        builder.AddLine(Format("     %4d    %11u %18s      %10s   %11s", i + 1,
                               static_cast<unsigned>(channel.zeroValue),
                               TableText(kInterpolationNames, channel.interpolation).c_str(),
                               TableText(kAttenuationFactors, channel.attenuationIndex).c_str(),
                               GateModeText(channel.gateModeName, channel.gateModeSuffix).c_str()));
    }
}

void AddGateModes(ReportPageBuilder& builder, const ConfigurationBlock& block) {
    AddBlankLines(builder, 2);
    builder.ClearHeading();
    builder.AddLine(Format("      %s    %s    %s  %s  %s  %s  %s  %s %s", "Gate", "Mode", "A-Start", "A-Stop",
                           "Operator", "Alpha", "B-Start", "B-Stop", "Sqrt"),
                    ReportTarget::Heading);
    builder.AddRule(ReportTarget::Heading);
    builder.StartTable();
    int number = 1;
    for (const GateMode& mode : block.gateModes) {
        builder.AddLine(Format("     %4d  %7s    %5.2f    %5.2f %6s    %7.3f  %5.2f    %5.2f %5s", number++,
                               GateModeText(mode.name, mode.suffix).c_str(), static_cast<double>(mode.startA),
                               static_cast<double>(mode.stopA),
                               TableText(kOperatorNames, mode.operatorIndex).c_str(),
                               static_cast<double>(mode.alpha), static_cast<double>(mode.startB),
                               static_cast<double>(mode.stopB), mode.squareRoot != 0 ? "ON" : "OFF"));
    }
}

struct EventTexts {
    std::string channel;
    std::string value;
};

EventTexts DescribeEvent(const TimedEvent& event) {
    const std::string channel = Format(" %d ", event.channel + 1);
    const double value = static_cast<double>(event.value);
    switch (event.type) {
    case kEventAutoZero:
        return {channel, kNotApplicable};
    case kEventAttenuation:
        return {channel, TableText(kAttenuationFactors, TruncatedIndex(value))};
    case kEventRange:
        return {kNotApplicable, TableText(kRangeNames, TruncatedIndex(value))};
    case kEventSquareRoot:
        return {channel, TruncatedIndex(value + 0.5) != 0 ? "ON" : "OFF"};
    case kEventGate:
        return {channel, GateModeText(TruncatedIndex(value + 0.5), event.gateSuffix)};
    case kEventRecord:
        return {kNotApplicable, Format("%.2f %3s", value, kMinutes)};
    case kEventIgnitor:
        return {kNotApplicable, Format("%.2f %4s", value, kAmps)};
    default:
        return {channel, messages::kUnknownIndex};
    }
}

void AddTimedEvents(ReportPageBuilder& builder, const ConfigurationBlock& block) {
    AddBlankLines(builder, 2);
    builder.ClearHeading();
    builder.AddLine(
        Format("      %s  %15s %16s %14s  %14s", "Event", "Start Time", "Event Type", "Channel", "Value"),
        ReportTarget::Heading);
    builder.AddRule(ReportTarget::Heading);
    builder.StartTable();
    int number = 1;
    for (const TimedEvent& event : block.timedEvents) {
        const std::string start = Format("%4.2f %3s", static_cast<double>(event.startTime), kMinutes);
        const EventTexts texts = DescribeEvent(event);
        builder.AddLine(Format("     %4d   %15s   %15s     %8s    %14s", number++, start.c_str(),
                               TableText(kEventTypeNames, event.type).c_str(), texts.channel.c_str(),
                               texts.value.c_str()));
    }
}

} // namespace

std::string DspModeText(int mode) {
    switch (mode) {
    case 0:
        return kDspDefaultMode;
    case 1:
        return kDspUserDefinedMode;
    default:
        return messages::kUnknownIndex;
    }
}

bool BuildConfigurationReport(const ConfigurationModel& config, const ReportSession& session,
                              ReportPageBuilder& builder) {
    const ConfigurationBlock block = config.Snapshot();
    AddTitle(builder, session);
    const bool readDspMode = AddBoard(builder, block, session);
    AddChannels(builder, block);
    AddGateModes(builder, block);
    AddTimedEvents(builder, block);
    return readDspMode;
}

std::string ConfigurationReportText(const ConfigurationModel& config, const ReportSession& session,
                                    bool* readDspMode) {
    ReportPageBuilder builder;
    const bool requested = BuildConfigurationReport(config, session, builder);
    if (readDspMode != nullptr) {
        *readDspMode = requested;
    }
    return builder.PageText();
}

} // namespace veltrane
