#include "config/LogTexts.h"
#include "config/Vocabulary.h"

#include <gtest/gtest.h>

#include <limits>

namespace veltrane {
namespace {

TEST(Vocabulary, DisplayNamesAndOutOfTableIndexes) {
    EXPECT_EQ(GateModeDisplayName(0, 1), "S");
    EXPECT_EQ(GateModeDisplayName(0, 2), "S-2");
    EXPECT_EQ(GateModeDisplayName(14, 3), "Ni-3");
    EXPECT_EQ(GateModeDisplayName(22, 0), "UD");
    EXPECT_EQ(GateModeDisplayName(23, 1), "***");
    EXPECT_EQ(GateModeDisplayName(-1, 1), "***");
    EXPECT_EQ(TableText(kOperatorNames, 3), "/");
    EXPECT_EQ(TableText(kOperatorNames, 4), "***");
    EXPECT_EQ(TableText(kEventTypeNames, -1), "***");
    EXPECT_EQ(TableText(kAttenuationFactors, 4), "16");
}

TEST(LogTexts, ModeTextFormatsEveryField) {
    GateMode mode{2, 1, 4.0f, 15.5f, 3, 0.25f, 1.0f, 2.0f, 1};
    EXPECT_EQ(ModeText(mode), "\nMode:  P-2,  StartA:  4.00,  StopA: 15.50,  Operator: /,  Alpha:  0.25"
                              "\nStartB:  1.00,  StopB:  2.00,  Sqrt: ON");
    mode.operatorIndex = 9;
    mode.squareRoot = 2;
    mode.name = 40;
    EXPECT_EQ(ModeText(mode), "\nMode:  ***,  StartA:  4.00,  StopA: 15.50,  Operator: ***,  Alpha:  0.25"
                              "\nStartB:  1.00,  StopB:  2.00,  Sqrt: ***");
}

TEST(LogTexts, EventLinesByType) {
    EXPECT_EQ(EventLine({2.0f, kEventAttenuation, 1, 4.0f, 0}),
              "\nStart Time:  2.00,\tType: Attenuation,\tChannel: 2,\tValue: 16");
    EXPECT_EQ(EventLine({2.0f, kEventRange, 1, 1.9f, 0}),
              "\nStart Time:  2.00,\tType: Range,\tChannel: N/A,\tValue: 10");
    EXPECT_EQ(EventLine({2.0f, kEventRange, 1, 3.0f, 0}),
              "\nStart Time:  2.00,\tType: Range,\tChannel: N/A,\tValue: ***");
    EXPECT_EQ(EventLine({2.0f, kEventSquareRoot, 0, 0.0f, 0}),
              "\nStart Time:  2.00,\tType: Square Root,\tChannel: 1,\tValue: OFF");
    EXPECT_EQ(EventLine({2.0f, kEventSquareRoot, 0, -1.0f, 0}),
              "\nStart Time:  2.00,\tType: Square Root,\tChannel: 1,\tValue: ON");
    EXPECT_EQ(EventLine({2.0f, kEventGate, 0, 0.0f, 1}),
              "\nStart Time:  2.00,\tType: Gate,\tChannel: 1,\tValue: S");
    EXPECT_EQ(EventLine({2.0f, kEventIgnitor, 0, 2.5f, 0}),
              "\nStart Time:  2.00,\tType: Ignitor,\tChannel: N/A,\tValue: 2.50");
    EXPECT_EQ(EventLine({2.0f, 9, 0, 7.0f, 0}), "\nStart Time:  2.00,\tType: ***,\tChannel: 1,\tValue: 7.00");
}

TEST(LogTexts, HostileEventValuesNeverOverflow) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float huge = 3.0e38f;
    EXPECT_EQ(EventLine({0.0f, kEventAttenuation, 0, huge, 0}),
              "\nStart Time:  0.00,\tType: Attenuation,\tChannel: 1,\tValue: ***");
    EXPECT_NE(EventLine({0.0f, kEventAttenuation, 0, nan, 0}).find("Value: ***"), std::string::npos);
    EXPECT_NE(EventLine({0.0f, kEventRange, 0, -huge, 0}).find("Value: ***"), std::string::npos);
    EXPECT_NE(EventLine({0.0f, kEventGate, 0, nan, 1}).find("Value: ***"), std::string::npos);
}

} // namespace
} // namespace veltrane
