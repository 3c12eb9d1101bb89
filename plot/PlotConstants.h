#pragma once

#include <array>
#include <cstdint>

namespace veltrane {

// The logical plot space: every trace maps its data range onto 0..kLogicalRange on both axes.
// Drawing coordinates are 32 bits wide here, so the large space is used.
constexpr int kLogicalRange = 1600000;
constexpr int kScrollLimit = 1600000;
constexpr int kMinZoomExtent = 250;
constexpr int kMaxTraces = 16;

// Colours are 0x00BBGGRR words.
struct ColourPair {
    std::uint32_t colour;
    std::uint32_t colour2;
};

constexpr std::array<ColourPair, kMaxTraces> kColourTable{{
    {0x0000FF, 0x0000B4},
    {0xFF0000, 0xB40000},
    {0x00FF00, 0x007F00},
    {0x004080, 0x0080FF},
    {0xFFFF00, 0x7F7F00},
    {0xFF00FF, 0x7F007F},
    {0x800040, 0xFF0080},
    {0xFF8000, 0x7F4000},
    {0x0080FF, 0x00407F},
    {0x000000, 0x0A0A0A},
    {0x808000, 0xFFFF00},
    {0x408080, 0x7FFFFF},
    {0x8028FF, 0xFF28FF},
    {0xFF9BB4, 0xFFFFB4},
    {0x96FFB4, 0x32FFB4},
    {0x3232B4, 0x323282},
}};

constexpr int RedOf(std::uint32_t colour) {
    return static_cast<int>(colour & 0xFF);
}
constexpr int GreenOf(std::uint32_t colour) {
    return static_cast<int>((colour >> 8) & 0xFF);
}
constexpr int BlueOf(std::uint32_t colour) {
    return static_cast<int>((colour >> 16) & 0xFF);
}

constexpr std::uint32_t kLightGrey = 0xC0C0C0;

enum class LineStyle {
    Solid,
    Dash,
    DashDot,
    DashDotDot
};

// Pen style 5 means "automatic": solid unless the plot's line-style switch is on.
constexpr int kAutomaticPenStyle = 5;

constexpr LineStyle StyleForIndex(int index) {
    if (index < 0 || index >= 12)
        return LineStyle::Solid;
    constexpr std::array<LineStyle, 4> cycle{LineStyle::Solid, LineStyle::Dash, LineStyle::DashDot,
                                             LineStyle::DashDotDot};
    return cycle[static_cast<std::size_t>(index % 4)];
}

} // namespace veltrane
