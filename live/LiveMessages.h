#pragma once

// Every text the live layer shows, spelled once.
namespace veltrane::messages {

inline constexpr const char* kPmtWarningCaption = "PMT Protection Warning";
inline constexpr const char* kPmtWarningText1 = "PMT Protection has been enabled.  Turn off HV prior to "
                                                "changing filter or PMTs, removing PMT housing from "
                                                "PFPD Assembly, or changing the Combustor or light pipes.";
inline constexpr const char* kPmtWarningText2 =
    "EXPOSURE OF ENERGIZED PMT TO HIGH LIGHT LEVELS CAN SEVERELY DAMAGE "
    "THE PMT AND SERIOUSLY DEGRADE PFPD PERFORMANCE.";
inline constexpr const char* kNumberBetween = "Please enter a number between %1 and %2.";
inline constexpr const char* kPlotNotCreated = "Unable to create the pulse plot.";

// The serial line went away during a session (an unplugged USB adapter) and came back.
inline constexpr const char* kLinkLost =
    "The connection to the PFPD controller was lost.  Veltrane keeps trying to reconnect; pulses resume when "
    "the controller is back.";
inline constexpr const char* kLinkRestored = "The connection to the PFPD controller has been restored.";

} // namespace veltrane::messages
