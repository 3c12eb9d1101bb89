// Field checks, gate text parsing and list lines.
#include "CommaLocale.h"
#include "DialogTestSupport.h"
#include "dialogs/FieldValidator.h"
#include "dialogs/GateModesEditor.h"
#include "dialogs/GateText.h"
#include "dialogs/TimedEventsEditor.h"

#include <gtest/gtest.h>

using namespace veltrane;
using namespace veltrane::dialogtest;

TEST(FieldValidator, BoundsAreInclusiveAndMessagesNameThem) {
    DialogWorld world;
    FieldValidator validator(world.prompts, world.live);
    long integer = 0;
    EXPECT_TRUE(validator.ReadInt("65535", 0, 65535, integer));
    EXPECT_EQ(integer, 65535);
    EXPECT_FALSE(validator.ReadInt("65536", 0, 65535, integer));
    EXPECT_EQ(integer, 65535); // a refused value is not taken
    EXPECT_FALSE(validator.ReadInt("5001", 0, 5000, integer));
    EXPECT_FALSE(validator.ReadInt("12abc", 0, 5000, integer));
    float number = 0.0f;
    EXPECT_TRUE(validator.ReadFloat(" 99.99 ", 0.0f, 99.99f, number));
    EXPECT_FALSE(validator.ReadFloat("99.991", 0.0f, 99.99f, number));
    EXPECT_FALSE(validator.ReadFloat("-100", -99.999f, 99.999f, number));
    EXPECT_FALSE(validator.ReadFloat("", 0.0f, 3.3f, number));
    EXPECT_FALSE(validator.ReadFloat("nan", 0.0f, 3.3f, number));
    EXPECT_EQ(
        world.prompts.Texts(),
        (std::vector<std::string>{"Please enter an integer between 0 and 65535.",
                                  "Please enter an integer between 0 and 5000.", "Please enter an integer.",
                                  "Please enter a number between 0 and 99.99.",
                                  "Please enter a number between -99.999 and 99.999.",
                                  "Please enter a number.", "Please enter a number."}));
    // Every range message holds the timer off while it is up, and gives polling back after.
    for (bool suspended : world.prompts.suspendedWhileShown) {
        EXPECT_TRUE(suspended);
    }
    EXPECT_FALSE(world.live.pollingSuspended);
}

// Qt hands the desktop's locale to the C library: a German operator still types and reads points.
TEST(FieldValidator, TypedNumbersAndTheirBoundsUseAPointInACommaLocale) {
    VELTRANE_IN_COMMA_LOCALE(locale);
    DialogWorld world;
    FieldValidator validator(world.prompts, world.live);
    float number = 0.0f;
    EXPECT_TRUE(validator.ReadFloat("2.5", 0.0f, 3.3f, number));
    EXPECT_FLOAT_EQ(number, 2.5f);
    EXPECT_FALSE(validator.ReadFloat("2,5", 0.0f, 3.3f, number)); // as in every other locale
    EXPECT_FLOAT_EQ(number, 2.5f);
    EXPECT_FALSE(validator.ReadFloat("180", 0.01f, 179.9f, number));
    EXPECT_EQ(world.prompts.Texts(),
              (std::vector<std::string>{"Please enter a number.",
                                        "Please enter a number between 0.01 and 179.9."}));
}

TEST(GateText, NameBeforeTheDashAndSuffixFromTheFirstDigit) {
    EXPECT_EQ(ParseGateText("S-2").name, 0);
    EXPECT_EQ(ParseGateText("S-2").suffix, 2);
    EXPECT_EQ(ParseGateText("S").suffix, 1);
    EXPECT_EQ(ParseGateText("As-12").name, 4);
    EXPECT_EQ(ParseGateText("As-12").suffix, 12);
    EXPECT_EQ(ParseGateText("UD").name, 22);
    EXPECT_FALSE(ParseGateText("***").name.has_value());
    EXPECT_FALSE(ParseGateText("").name.has_value());
    EXPECT_EQ(ParseGateText("Q-99999999999999999999").suffix, 32767);
    EXPECT_EQ(GateNameOfValue(4.9f), 4);
    EXPECT_EQ(GateNameOfValue(-5.0f), -1);
    EXPECT_EQ(GateNameOfValue(1e30f), -1);
}

TEST(ListLines, GateModeColumnsAndUnknownIndexes) {
    GateMode mode = Mode(0, 2, 1.25f, 12.0f, 3, 0.5f);
    mode.squareRoot = 1;
    EXPECT_EQ(GateModesEditor::ListLine(mode), "\tS-2\t  1.2\t 12.0\t/\t 0.500\t  3.0\t  4.0\t ON");
    mode.operatorIndex = 4;
    mode.squareRoot = 2;
    mode.alpha = 150.0f;
    EXPECT_EQ(GateModesEditor::ListLine(mode, true), "\tS-2\t  1.2\t 12.0\t***\t99.990\t  3.0\t  4.0\t***");
    EXPECT_EQ(GateModesEditor::FormulaText(0, 0.0f), "A - 0.000B");
    EXPECT_EQ(GateModesEditor::FormulaText(2, 1.5f), "A * 1.500B");
}

TEST(ListLines, TimedEventFormatsByType) {
    DialogWorld world;
    world.SetModes({Mode(0, 1), Mode(0, 2)});
    TimedEventsEditor editor(world.host);
    EXPECT_EQ(editor.ListLine(Event(1.5f, kEventAutoZero, 0, -1.0f)), "\t1.50\t      Auto-Zero\t1\tN/A");
    EXPECT_EQ(editor.ListLine(Event(2.0f, kEventAttenuation, 1, 8.0f)), "\t2.00\t    Attenuation\t2\t256");
    EXPECT_EQ(editor.ListLine(Event(2.0f, kEventAttenuation, 1, 9.0f)), "\t2.00\t    Attenuation\t2\t***");
    EXPECT_EQ(editor.ListLine(Event(3.0f, kEventRange, 0, 2.0f)), "\t3.00\t          Range\tN/A\t100");
    EXPECT_EQ(editor.ListLine(Event(3.0f, kEventSquareRoot, 0, 5.0f)), "\t3.00\t    Square Root\t1\tON");
    EXPECT_EQ(editor.ListLine(Event(4.0f, kEventGate, 0, 0.0f, 2)), "\t4.00\t           Gate\t1\tS-2");
    EXPECT_EQ(editor.ListLine(Event(5.0f, kEventRecord, 0, 7.5f)), "\t5.00\t         Record\tN/A\t7.50");
    EXPECT_EQ(editor.ListLine(Event(6.0f, kEventIgnitor, 0, 2.25f)), "\t6.00\t        Ignitor\tN/A\t2.25");
    EXPECT_EQ(editor.ListLine(Event(6.0f, 9, 0, 0.0f)), "");
}
