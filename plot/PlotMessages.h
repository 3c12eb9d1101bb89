#pragma once

namespace veltrane {

// The plot's own texts.
inline constexpr const char* kCurrentPulseName = "Current Pulse";
inline constexpr const char* kReference1Name = "Reference 1";
inline constexpr const char* kReference2Name = "Reference 2";
inline constexpr const char* kLegendTitle = "Legend";
inline constexpr const char* kEmbeddedPlotTitle = "Embedded Plot";
inline constexpr const char* kZoom100Command = "&100 %";
inline constexpr const char* kZoom200Command = "&200 %";
inline constexpr const char* kPreviousZoomCommand = "&Previous";
inline constexpr const char* kBitmapCreationFailure =
    "Bitmap Creation Failure!\nInsufficient memory. Exiting application.";
inline constexpr const char* kFatalErrorTitle = "Fatal Error!";
inline constexpr const char* kTitleFontFace = "Arial";

} // namespace veltrane
