// The fixed tables: which rule a source matches, and the button bits of each
// controller kind.
#include "input/digital_rules.h"
#include "support/edge_flags.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace olva::input {
namespace {

TEST(DigitalRuleTable, FirstMatchingRuleIgnoringCase)
{
    struct Row {
        const char* componentPath;
        const char* inputKind;
        const char* mode;
        int rule;
    };
    const Row rows[] = {
        {"/input/grip", "click", "", 1},
        {"/INPUT/Grip", "CLICK", "anything", 1},
        {"/input/grip", "touch", "", 0},
        {"/input/grip", "pull", "", 0},
        {"/input/trigger", "click", "button", 2},
        {"/input/trigger", "touch", "", 3},
        {"/input/trigger", "pull", "trigger", 0},
        {"/input/trigger", "position", "", 0},
        {"/input/joystick", "east", "dpad", 4},
        {"/input/trackpad", "west", "DPad", 5},
        {"/input/joystick", "north", "dpad", 6},
        {"/input/trackpad", "south", "dpad", 7},
        {"/input/joystick", "east", "joystick", 0},  // directions need the dpad mode
        {"/input/joystick", "north", "", 0},
        {"/input/joystick", "click", "dpad", 8},  // a dpad click is the thumb click
        {"/input/trackpad", "click", "", 8},
        {"/input/joystick", "touch", "dpad", 9},
        {"/input/joystick", "position", "joystick", 0},
        {"/input/a", "click", "", 10},
        {"/input/a", "touch", "", 11},
        {"/input/x", "click", "", 12},
        {"/input/X", "touch", "", 13},
        {"/input/b", "click", "", 14},
        {"/input/b", "touch", "", 15},
        {"/input/y", "click", "", 16},
        {"/input/y", "touch", "", 17},
        {"/input/system", "click", "", 18},
        {"/input/system", "pull", "", 18},
        {"/input/menu", "click", "", 19},
        {"/input/menu", "touch", "", 0},
        {"/input/application_menu", "click", "", 0},
        {"/input/a/", "click", "", 0},
        {"input/a", "click", "", 0},
        {"", "click", "", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.componentPath) + " " + row.inputKind + " " + row.mode);
        EXPECT_EQ(MatchDigitalRule(row.componentPath, row.inputKind, row.mode), row.rule);
    }
}

TEST(DigitalRuleTable, ButtonBitsByControllerKind)
{
    struct Row {
        Button button;
        uint64_t joystickController;
        uint64_t touchController;
    };
    const Row rows[] = {
        {Button::A, 0x2, 0x2},
        {Button::B, 0x4, 0x4},
        {Button::X, 0x8, 0x8},
        {Button::Y, 0x10, 0x10},
        {Button::Menu, 0x40, 0x4},
        {Button::Grip, 0x80, 0x8},
        {Button::Trigger, 0x100, 0x10},
        {Button::Thumb, 0x200, 0x20},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.button));
        EXPECT_EQ(ButtonBit(row.button, OLVA_INPUT_TYPE_JOYSTICK), row.joystickController);
        EXPECT_EQ(ButtonBit(row.button, OLVA_INPUT_TYPE_TOUCH), row.touchController);
        for (OLVA_Device_InputType other : {0, 1, 4, 5, -1}) {
            EXPECT_EQ(ButtonBit(row.button, other), 0u) << "input type " << other;
        }
    }
}

TEST(DigitalRuleTable, AnalogSlotByComponentPath)
{
    EXPECT_EQ(AnalogSlotFor("/input/trackpad"), 0);
    EXPECT_EQ(AnalogSlotFor("/input/Joystick"), 0);
    EXPECT_EQ(AnalogSlotFor("/input/TRIGGER"), 1);
    EXPECT_EQ(AnalogSlotFor("/input/grip"), 2);
    EXPECT_EQ(AnalogSlotFor("/input/a"), -1);
    EXPECT_EQ(AnalogSlotFor(""), -1);
}

TEST(DigitalRuleTable, EdgeFlagsNameTheExportedGlobals)
{
    const olva::test::EdgeFlagsCleared clearedFlags;
    struct Row {
        EdgeFlag flag;
        bool* global;
    };
    const Row rows[] = {
        {EdgeFlag::RightTriggerPressed, &_rightTriggerPressed},
        {EdgeFlag::RightGripPressed, &_rightGripPressed},
        {EdgeFlag::RightThumbPressed, &_rightThumbPressed},
        {EdgeFlag::AButtonPressed, &_aButtonPressed},
        {EdgeFlag::BButtonPressed, &_bButtonPressed},
        {EdgeFlag::LeftTriggerPressed, &_leftTriggerPressed},
        {EdgeFlag::LeftGripPressed, &_leftGripPressed},
        {EdgeFlag::LeftThumbPressed, &_leftThumbPressed},
        {EdgeFlag::XButtonPressed, &_xButtonPressed},
        {EdgeFlag::YButtonPressed, &_yButtonPressed},
        {EdgeFlag::MenuButtonPressed, &_menuButtonPressed},
        {EdgeFlag::AButtonTouched, &_aButtonTouched},
        {EdgeFlag::BButtonTouched, &_bButtonTouched},
        {EdgeFlag::XButtonTouched, &_xButtonTouched},
        {EdgeFlag::YButtonTouched, &_yButtonTouched},
        {EdgeFlag::RightTriggerTouched, &_rightTriggerTouched},
        {EdgeFlag::LeftTriggerTouched, &_leftTriggerTouched},
        {EdgeFlag::RightThumbTouched, &_rightThumbTouched},
        {EdgeFlag::LeftThumbTouched, &_leftThumbTouched},
        {EdgeFlag::RightJoystickEast, &_rightJoystickEast},
        {EdgeFlag::RightJoystickWest, &_rightJoystickWest},
        {EdgeFlag::RightJoystickNorth, &_rightJoystickNorth},
        {EdgeFlag::RightJoystickSouth, &_rightJoystickSouth},
        {EdgeFlag::LeftJoystickEast, &_leftJoystickEast},
        {EdgeFlag::LeftJoystickWest, &_leftJoystickWest},
        {EdgeFlag::LeftJoystickNorth, &_leftJoystickNorth},
        {EdgeFlag::LeftJoystickSouth, &_leftJoystickSouth},
    };
    ASSERT_EQ(std::size(rows), static_cast<std::size_t>(kUsedEdgeFlagCount));
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.flag));
        EXPECT_EQ(&EdgeFlagValue(row.flag), row.global);

        // A capture keeps each flag's first reading, whatever happens to
        // the flag afterwards.
        *row.global = true;
        EdgeFlagCapture capture;
        for (const Row& other : rows) {
            EXPECT_EQ(capture[other.flag], other.flag == row.flag);
        }
        *row.global = false;
        _rightTriggerPressed = !_rightTriggerPressed;
        for (const Row& other : rows) {
            EXPECT_EQ(capture[other.flag], other.flag == row.flag);
        }
        _rightTriggerPressed = false;
    }
}

}  // namespace
}  // namespace olva::input
