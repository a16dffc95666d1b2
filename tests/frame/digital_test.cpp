// Digital action data on hand-made records: rule decisions for each
// controller kind, the press/hold/release edge logic with its shared flags,
// the scan of a hand's sources, and which hand answers.
#include "frame/frame_fixture.h"
#include "support/process_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>

namespace olva::test {
namespace {

using olva::input::Hand;

struct Outcome {
    int active;
    int current;
    int changed;
    unsigned long inputSource;

    bool operator==(const Outcome& other) const
    {
        return active == other.active && current == other.current && changed == other.changed &&
               inputSource == other.inputSource;
    }
};

std::ostream& operator<<(std::ostream& out, const Outcome& o)
{
    return out << "{active " << o.active << ", current " << o.current << ", changed " << o.changed << ", source 0x"
               << std::hex << o.inputSource << std::dec << "}";
}

class DigitalData : public ProcessStateTest {
protected:
    DigitalData()
    {
        input.m_deviceInputTypes[OLVA_DEVICE_TYPE_RIGHT_CONTROLLER] = OLVA_INPUT_TYPE_JOYSTICK;
        input.m_deviceInputTypes[OLVA_DEVICE_TYPE_LEFT_CONTROLLER] = OLVA_INPUT_TYPE_JOYSTICK;
    }

    void SetInputType(OLVA_Device_InputType type)
    {
        input.m_deviceInputTypes[OLVA_DEVICE_TYPE_RIGHT_CONTROLLER] = type;
        input.m_deviceInputTypes[OLVA_DEVICE_TYPE_LEFT_CONTROLLER] = type;
    }

    OLVA_XrInputDigitalActionData Data(const OLVA_XrAction* action, unsigned long inputSource = 0)
    {
        OLVA_XrInputDigitalActionData data;
        std::memset(&data, 0xAB, sizeof data);
        EXPECT_EQ(input.OLVA_GetXrActionDigitalData(runtime, HandleOf(action), &data, 0, inputSource), 0);
        EXPECT_LE(data.time, 0);
        return data;
    }

    Outcome Query(const OLVA_XrAction* action, unsigned long inputSource = 0)
    {
        const OLVA_XrInputDigitalActionData data = Data(action, inputSource);
        return {data.isActive, data.currentState, data.changedSinceLastSync,
                static_cast<unsigned long>(data.inputSource)};
    }

    unsigned long Right() const { return HandleOf(records.right); }
    unsigned long Left() const { return HandleOf(records.left); }

    olva_input input;
    FrameRecords records{input};
    int runtimeObject = 0;
    void* runtime = &runtimeObject;
};

TEST_F(DigitalData, ArgumentChecksClearTheRecordFirst)
{
    OLVA_XrAction* boolean = records.Action("BooLEAN");
    OLVA_XrAction* single = records.Action("single");
    OLVA_XrAction* unset = records.Action("<unset>");
    records.Bind(boolean, Hand::Right, "/input/trigger", "click");
    records.Bind(single, Hand::Right, "/input/trigger", "click");
    records.right->current.clickStates = ~uint64_t{0};

    const OLVA_XrInputDigitalActionData zero{};
    struct Row {
        const char* what;
        void* runtime;
        unsigned long action;
        int32_t result;
    };
    const Row rows[] = {
        {"null runtime", nullptr, HandleOf(boolean), OLVA_RESULT_INVALID_RUNTIME},
        {"action 0", runtime, 0, OLVA_RESULT_INVALID_ARGUMENT},
        {"type single", runtime, HandleOf(single), OLVA_RESULT_INVALID_ARGUMENT},
        {"type <unset>", runtime, HandleOf(unset), OLVA_RESULT_INVALID_ARGUMENT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OLVA_XrInputDigitalActionData data;
        std::memset(&data, 0xAB, sizeof data);
        EXPECT_EQ(input.OLVA_GetXrActionDigitalData(row.runtime, row.action, &data, 7, 0), row.result);
        EXPECT_EQ(std::memcmp(&data, &zero, sizeof data), 0);
    }
    EXPECT_EQ(input.OLVA_GetXrActionDigitalData(nullptr, HandleOf(boolean), nullptr, 0, 0), OLVA_RESULT_INVALID_RUNTIME);
    EXPECT_EQ(input.OLVA_GetXrActionDigitalData(runtime, HandleOf(boolean), nullptr, 0, 0),
              OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_FALSE(_rightTriggerPressed);

    // "boolean" in any letter case is accepted.
    EXPECT_EQ(Query(boolean), (Outcome{1, 1, 1, Right()}));
}

TEST_F(DigitalData, ActionWithoutHandsAnswersZero)
{
    OLVA_XrAction* action = records.Action("boolean");
    const OLVA_XrInputDigitalActionData data = Data(action);
    const OLVA_XrInputDigitalActionData zero{};
    EXPECT_EQ(std::memcmp(&data, &zero, sizeof data), 0);
}

// Every bit rule reads its own bit of its own mask, for both controller
// kinds: on with exactly that bit, off with every other bit of that mask
// and with the bit in the other mask.
TEST_F(DigitalData, EachBitRuleReadsItsBit)
{
    struct Row {
        const char* componentPath;
        const char* inputKind;
        bool touchMask;
        uint64_t joystickControllerBit;
        uint64_t touchControllerBit;
    };
    const Row rows[] = {
        {"/input/grip", "click", false, 0x80, 0x8},
        {"/input/trigger", "click", false, 0x100, 0x10},
        {"/input/trigger", "touch", true, 0x100, 0x10},
        {"/input/joystick", "click", false, 0x200, 0x20},
        {"/input/trackpad", "touch", true, 0x200, 0x20},
        {"/input/a", "click", false, 0x2, 0x2},
        {"/input/a", "touch", true, 0x2, 0x2},
        {"/input/x", "click", false, 0x8, 0x8},
        {"/input/x", "touch", true, 0x8, 0x8},
        {"/input/b", "click", false, 0x4, 0x4},
        {"/input/b", "touch", true, 0x4, 0x4},
        {"/input/y", "click", false, 0x10, 0x10},
        {"/input/y", "touch", true, 0x10, 0x10},
        {"/input/menu", "click", false, 0x40, 0x4},
    };
    for (OLVA_Device_InputType inputType : {OLVA_INPUT_TYPE_JOYSTICK, OLVA_INPUT_TYPE_TOUCH}) {
        SetInputType(inputType);
        for (Hand hand : {Hand::Right, Hand::Left}) {
            OLVA_XrInputValue* value = hand == Hand::Right ? records.right : records.left;
            const unsigned long handle = HandleOf(value);
            for (const Row& row : rows) {
                SCOPED_TRACE(testing::Message() << "input type " << inputType << ", "
                                                << (hand == Hand::Right ? "right " : "left ") << row.componentPath
                                                << " " << row.inputKind);
                const uint64_t bit =
                    inputType == OLVA_INPUT_TYPE_JOYSTICK ? row.joystickControllerBit : row.touchControllerBit;
                uint64_t& ownMask = row.touchMask ? value->current.touchStates : value->current.clickStates;
                uint64_t& otherMask = row.touchMask ? value->current.clickStates : value->current.touchStates;
                OLVA_XrAction* action = records.Action("boolean");
                records.Bind(action, hand, row.componentPath, row.inputKind);

                ownMask = ~bit;
                otherMask = ~uint64_t{0};
                EXPECT_EQ(Query(action), (Outcome{1, 0, 0, handle}));
                ownMask = bit;
                otherMask = 0;
                EXPECT_EQ(Query(action), (Outcome{1, 1, 1, handle}));  // press
                ownMask = 0;
                EXPECT_EQ(Query(action), (Outcome{1, 0, 1, handle}));  // release: flags back to false
            }
        }
    }
}

TEST_F(DigitalData, OtherControllerKindsDecideNothing)
{
    for (OLVA_Device_InputType inputType : {OLVA_INPUT_TYPE_NONE, OLVA_INPUT_TYPE_OTHER, OLVA_INPUT_TYPE_GAMEPAD, 7}) {
        SCOPED_TRACE(inputType);
        SetInputType(inputType);
        records.right->current.clickStates = ~uint64_t{0};
        records.right->current.touchStates = ~uint64_t{0};
        records.right->current.analog[0] = {0.0f, 1.0f};
        for (const char* kind : {"click", "touch", "north"}) {
            OLVA_XrAction* action = records.Action("boolean");
            records.Bind(action, Hand::Right, "/input/joystick", kind, "dpad");
            EXPECT_EQ(Query(action), (Outcome{1, 0, 0, Right()})) << kind;
        }
    }

    // A flag left on is cleared by the next evaluation: a release.
    _rightTriggerPressed = true;
    OLVA_XrAction* trigger = records.Action("boolean");
    records.Bind(trigger, Hand::Right, "/input/trigger", "click");
    EXPECT_EQ(Query(trigger), (Outcome{1, 0, 1, Right()}));
    EXPECT_FALSE(_rightTriggerPressed);
}

TEST_F(DigitalData, PressHoldRelease)
{
    OLVA_XrAction* action = records.Action("boolean");
    OLVA_XrActionSource* source = records.Bind(action, Hand::Right, "/input/trigger", "click");

    records.right->current.clickStates = 0x100;
    EXPECT_EQ(Query(action), (Outcome{1, 1, 1, Right()}));
    EXPECT_TRUE(_rightTriggerPressed);
    EXPECT_EQ(source->lastStateRight, 1u);

    EXPECT_EQ(Query(action), (Outcome{1, 1, 0, Right()}));  // held

    records.right->current.clickStates = 0;
    EXPECT_EQ(Query(action), (Outcome{1, 0, 1, Right()}));
    EXPECT_FALSE(_rightTriggerPressed);
    EXPECT_EQ(source->lastStateRight, 0u);

    EXPECT_EQ(Query(action), (Outcome{1, 0, 0, Right()}));
    EXPECT_EQ(source->lastStateLeft, 0u);
}

TEST_F(DigitalData, TwoActionsOnOneButtonEachSeeEveryChangeOnce)
{
    OLVA_XrAction* first = records.Action("boolean");
    OLVA_XrAction* second = records.Action("boolean");
    records.Bind(first, Hand::Left, "/input/x", "click");
    records.Bind(second, Hand::Left, "/input/x", "click");

    records.left->current.clickStates = 0x8;
    EXPECT_EQ(Query(first), (Outcome{1, 1, 1, Left()}));   // moves the flag
    EXPECT_EQ(Query(second), (Outcome{1, 1, 1, Left()}));  // sees it through its own last state
    EXPECT_EQ(Query(first), (Outcome{1, 1, 0, Left()}));
    EXPECT_EQ(Query(second), (Outcome{1, 1, 0, Left()}));

    records.left->current.clickStates = 0;
    EXPECT_EQ(Query(second), (Outcome{1, 0, 1, Left()}));
    EXPECT_EQ(Query(first), (Outcome{1, 0, 1, Left()}));
    EXPECT_EQ(Query(second), (Outcome{1, 0, 0, Left()}));
    EXPECT_EQ(Query(first), (Outcome{1, 0, 0, Left()}));
}

TEST_F(DigitalData, ScanStopsAtTheFirstSourceWithStateOrChange)
{
    OLVA_XrAction* action = records.Action("boolean");
    OLVA_XrActionSource* trigger = records.Bind(action, Hand::Right, "/input/trigger", "click");
    OLVA_XrActionSource* grip = records.Bind(action, Hand::Right, "/input/grip", "click");
    records.right->current.clickStates = 0x100 | 0x80;

    EXPECT_EQ(Query(action), (Outcome{1, 1, 1, Right()}));
    EXPECT_EQ(Query(action), (Outcome{1, 1, 0, Right()}));
    EXPECT_FALSE(_rightGripPressed);  // never reached
    EXPECT_EQ(grip->lastStateRight, 0u);

    records.right->current.clickStates = 0x80;
    EXPECT_EQ(Query(action), (Outcome{1, 0, 1, Right()}));  // the trigger's release stops the scan
    EXPECT_FALSE(_rightGripPressed);

    EXPECT_EQ(Query(action), (Outcome{1, 1, 1, Right()}));  // now the grip is reached: its press
    EXPECT_TRUE(_rightGripPressed);
    EXPECT_EQ(trigger->lastStateRight, 0u);
    EXPECT_EQ(grip->lastStateRight, 1u);
}

TEST_F(DigitalData, IsActiveFollowsTheLastSourceScanned)
{
    struct Row {
        const char* what;
        const char* firstPath;
        const char* firstKind;
        const char* secondPath;
        const char* secondKind;
        int active;
    };
    const Row rows[] = {
        {"recognised, then unrecognised", "/input/a", "click", "/input/system", "click", 0},
        {"unrecognised, then recognised", "/input/system", "click", "/input/a", "click", 1},
        {"recognised, then pull", "/input/trigger", "click", "/input/trigger", "pull", 0},
        {"recognised, then position", "/input/a", "touch", "/input/joystick", "position", 0},
        {"recognised, then direction without dpad", "/input/a", "touch", "/input/joystick", "north", 0},
        {"two recognised", "/input/a", "touch", "/input/b", "click", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OLVA_XrAction* action = records.Action("boolean");
        records.Bind(action, Hand::Right, row.firstPath, row.firstKind);
        records.Bind(action, Hand::Right, row.secondPath, row.secondKind);
        EXPECT_EQ(Query(action), (Outcome{row.active, 0, 0, Right()}));
    }

    // An empty list: not active, yet the hand's handle.
    OLVA_XrAction* empty = records.Action("boolean");
    empty->rightInputValue = Right();
    EXPECT_EQ(Query(empty), (Outcome{0, 0, 0, Right()}));
}

TEST_F(DigitalData, RightHandWinsWhenItReportsStateOrChange)
{
    OLVA_XrAction* action = records.Action("boolean");
    records.Bind(action, Hand::Right, "/input/trigger", "click");
    records.Bind(action, Hand::Left, "/input/trigger", "click");

    records.left->current.clickStates = 0x100;
    EXPECT_EQ(Query(action), (Outcome{1, 1, 1, Left()}));  // right off and unchanged
    EXPECT_EQ(Query(action), (Outcome{1, 1, 0, Left()}));

    records.right->current.clickStates = 0x100;
    EXPECT_EQ(Query(action), (Outcome{1, 1, 1, Right()}));
    EXPECT_EQ(Query(action), (Outcome{1, 1, 0, Right()}));  // the left hand is not evaluated

    records.right->current.clickStates = 0;
    EXPECT_EQ(Query(action), (Outcome{1, 0, 1, Right()}));  // a change alone wins too
    EXPECT_EQ(Query(action), (Outcome{1, 1, 0, Left()}));
}

TEST_F(DigitalData, RightHandWinsWithAChangeItHasNotReportedYet)
{
    // Both actions on both triggers. The second action sees the right
    // trigger's release first; the first action still has it to report, and
    // that keeps the answer on the right hand.
    OLVA_XrAction* first = records.Action("boolean");
    OLVA_XrAction* second = records.Action("boolean");
    for (OLVA_XrAction* action : {first, second}) {
        records.Bind(action, Hand::Right, "/input/trigger", "click");
        records.Bind(action, Hand::Left, "/input/trigger", "click");
    }
    records.right->current.clickStates = 0x100;
    EXPECT_EQ(Query(first), (Outcome{1, 1, 1, Right()}));
    EXPECT_EQ(Query(second), (Outcome{1, 1, 1, Right()}));

    records.right->current.clickStates = 0;
    EXPECT_EQ(Query(second), (Outcome{1, 0, 1, Right()}));
    EXPECT_EQ(Query(first), (Outcome{1, 0, 1, Right()}));
    EXPECT_EQ(Query(first), (Outcome{1, 0, 0, Left()}));
    EXPECT_EQ(Query(second), (Outcome{1, 0, 0, Left()}));
}

TEST_F(DigitalData, InputSourceSelectsAHand)
{
    OLVA_XrAction* action = records.Action("boolean");
    records.Bind(action, Hand::Right, "/input/grip", "click");
    records.Bind(action, Hand::Left, "/input/grip", "click");
    records.right->current.clickStates = 0x80;
    records.left->current.clickStates = 0x80;

    EXPECT_EQ(Query(action, Left()), (Outcome{1, 1, 1, Left()}));
    EXPECT_FALSE(_rightGripPressed);
    EXPECT_EQ(Query(action, Right()), (Outcome{1, 1, 1, Right()}));
    EXPECT_EQ(Query(action, Left()), (Outcome{1, 1, 0, Left()}));

    // Neither hand of the action: both hands, as for 0.
    OLVA_XrInputValue* head = records.AddInputValue("/user/head");
    OLVA_XrAction* leftOnly = records.Action("boolean");
    records.Bind(leftOnly, Hand::Left, "/input/trigger", "touch");
    records.left->current.touchStates = 0x100;
    EXPECT_EQ(Query(leftOnly, Right()), (Outcome{1, 1, 1, Left()}));
    EXPECT_EQ(Query(leftOnly, HandleOf(head)), (Outcome{1, 1, 0, Left()}));
    // A value the library never issued as an input source is refused.
    OLVA_XrInputDigitalActionData data{};
    EXPECT_EQ(input.OLVA_GetXrActionDigitalData(runtime, HandleOf(leftOnly), &data, 0, 12345),
              OLVA_RESULT_INVALID_ARGUMENT);
}

TEST_F(DigitalData, ButtonRulesUseTheirFixedLastStateField)
{
    OLVA_XrAction* aOnLeft = records.Action("boolean");
    OLVA_XrActionSource* a = records.Bind(aOnLeft, Hand::Left, "/input/a", "touch");
    OLVA_XrAction* yOnRight = records.Action("boolean");
    OLVA_XrActionSource* y = records.Bind(yOnRight, Hand::Right, "/input/y", "click");
    OLVA_XrAction* menuOnLeft = records.Action("boolean");
    OLVA_XrActionSource* menu = records.Bind(menuOnLeft, Hand::Left, "/input/menu", "click");

    records.left->current.touchStates = 0x2;
    records.right->current.clickStates = 0x10;
    records.left->current.clickStates = 0x40;
    EXPECT_EQ(Query(aOnLeft), (Outcome{1, 1, 1, Left()}));
    EXPECT_EQ(Query(yOnRight), (Outcome{1, 1, 1, Right()}));
    EXPECT_EQ(Query(menuOnLeft), (Outcome{1, 1, 1, Left()}));
    EXPECT_EQ(a->lastStateRight, 1u);
    EXPECT_EQ(a->lastStateLeft, 0u);
    EXPECT_EQ(y->lastStateLeft, 1u);
    EXPECT_EQ(y->lastStateRight, 0u);
    EXPECT_EQ(menu->lastStateLeft, 1u);
    EXPECT_EQ(menu->lastStateRight, 0u);
    EXPECT_TRUE(_aButtonTouched);
    EXPECT_TRUE(_yButtonPressed);
    EXPECT_TRUE(_menuButtonPressed);
}

TEST_F(DigitalData, ButtonFlagsAreSharedByBothHands)
{
    // The A flag is one input whichever hand a source sits on: the left
    // hand's press is a steady "on" for a right-hand source.
    OLVA_XrAction* left = records.Action("boolean");
    records.Bind(left, Hand::Left, "/input/a", "click");
    OLVA_XrAction* right = records.Action("boolean");
    OLVA_XrActionSource* rightSource = records.Bind(right, Hand::Right, "/input/a", "click");
    records.left->current.clickStates = 0x2;
    records.right->current.clickStates = 0x2;
    EXPECT_EQ(Query(left), (Outcome{1, 1, 1, Left()}));
    EXPECT_EQ(Query(right), (Outcome{1, 1, 1, Right()}));
    EXPECT_EQ(rightSource->lastStateRight, 1u);
}

TEST_F(DigitalData, DirectionsOnTheStick)
{
    OLVA_XrAction* north = records.Action("boolean");
    records.Bind(north, Hand::Right, "/input/joystick", "north", "DPAD");
    OLVA_XrAction* east = records.Action("boolean");
    records.Bind(east, Hand::Right, "/input/joystick", "east", "dpad");
    OLVA_XrAction* south = records.Action("boolean");
    records.Bind(south, Hand::Right, "/input/trackpad", "south", "dpad");
    OLVA_XrAction* dpadClick = records.Action("boolean");
    records.Bind(dpadClick, Hand::Right, "/input/joystick", "click", "dpad");

    records.right->current.analog[0] = {0.6f, 0.6f};
    records.right->current.analog[1] = {0.0f, -1.0f};  // the trigger's value plays no part
    EXPECT_EQ(Query(north), (Outcome{1, 1, 1, Right()}));
    EXPECT_EQ(Query(east), (Outcome{1, 1, 1, Right()}));
    EXPECT_EQ(Query(south), (Outcome{1, 0, 0, Right()}));
    EXPECT_TRUE(_rightJoystickNorth);
    EXPECT_TRUE(_rightJoystickEast);
    EXPECT_FALSE(_leftJoystickNorth);

    // A dpad click is the thumb click, not a direction.
    EXPECT_EQ(Query(dpadClick), (Outcome{1, 0, 0, Right()}));
    records.right->current.clickStates = 0x200;
    EXPECT_EQ(Query(dpadClick), (Outcome{1, 1, 1, Right()}));

    // The touch controller's test on the same position: a diagonal.
    SetInputType(OLVA_INPUT_TYPE_TOUCH);
    EXPECT_EQ(Query(north), (Outcome{1, 0, 1, Right()}));
    records.right->current.analog[0] = {0.1f, 0.5f};
    EXPECT_EQ(Query(north), (Outcome{1, 1, 1, Right()}));
}

TEST_F(DigitalData, TouchControllerSharesBits)
{
    SetInputType(OLVA_INPUT_TYPE_TOUCH);
    OLVA_XrAction* b = records.Action("boolean");
    records.Bind(b, Hand::Right, "/input/b", "click");
    OLVA_XrAction* menu = records.Action("boolean");
    records.Bind(menu, Hand::Right, "/input/menu", "click");
    records.right->current.clickStates = 0x4;
    EXPECT_EQ(Query(b), (Outcome{1, 1, 1, Right()}));
    EXPECT_EQ(Query(menu), (Outcome{1, 1, 1, Right()}));
}

TEST_F(DigitalData, HandComesFromTheInputValuePathByteForByte)
{
    OLVA_XrAction* action = records.Action("boolean");
    records.Bind(action, Hand::Right, "/input/trigger", "click");
    records.right->current.clickStates = 0x100;
    records.right->path = "/user/hand/Right";
    EXPECT_EQ(Query(action), (Outcome{0, 0, 0, Right()}));
    EXPECT_FALSE(_rightTriggerPressed);
}

TEST_F(DigitalData, MissingInputTypeIsInsertedAsNone)
{
    input.m_deviceInputTypes.clear();
    OLVA_XrAction* action = records.Action("boolean");
    action->leftInputValue = Left();  // no sources: nothing looked up
    EXPECT_EQ(Query(action), (Outcome{0, 0, 0, Left()}));
    EXPECT_TRUE(input.m_deviceInputTypes.empty());

    records.Bind(action, Hand::Left, "/input/trigger", "click");
    records.left->current.clickStates = 0x100;
    EXPECT_EQ(Query(action), (Outcome{1, 0, 0, Left()}));
    ASSERT_EQ(input.m_deviceInputTypes.count(OLVA_DEVICE_TYPE_LEFT_CONTROLLER), 1u);
    EXPECT_EQ(input.m_deviceInputTypes.at(OLVA_DEVICE_TYPE_LEFT_CONTROLLER), OLVA_INPUT_TYPE_NONE);
    EXPECT_EQ(input.m_deviceInputTypes.count(OLVA_DEVICE_TYPE_RIGHT_CONTROLLER), 0u);

    // A type written later into the same entry is seen.
    input.m_deviceInputTypes[OLVA_DEVICE_TYPE_LEFT_CONTROLLER] = OLVA_INPUT_TYPE_JOYSTICK;
    EXPECT_EQ(Query(action), (Outcome{1, 1, 1, Left()}));
}

TEST_F(DigitalData, DetermineDecidesByInputCode)
{
    struct Row {
        OLVA_Device_InputType inputType;
        uint64_t inputCode;
        uint64_t mask;
        OLVA_Vector2f analog;
        bool on;
    };
    const OLVA_Vector2f east{0.9f, 0.0f};
    const OLVA_Vector2f north{0.0f, 0.9f};
    const Row rows[] = {
        {OLVA_INPUT_TYPE_JOYSTICK, 12, 0, east, true},   // east
        {OLVA_INPUT_TYPE_JOYSTICK, 10, 0, east, false},  // west
        {OLVA_INPUT_TYPE_JOYSTICK, 11, 0, north, true},  // north
        {OLVA_INPUT_TYPE_JOYSTICK, 13, 0, north, false},
        {OLVA_INPUT_TYPE_JOYSTICK, 8, 0x100, east, true},  // a bit
        {OLVA_INPUT_TYPE_JOYSTICK, 8, 0xFF, east, false},
        {OLVA_INPUT_TYPE_JOYSTICK, 12, 1 << 12, {}, false},  // a direction code is not a bit
        {OLVA_INPUT_TYPE_TOUCH, 8, 0, east, true},
        {OLVA_INPUT_TYPE_TOUCH, 7, 0, north, true},
        {OLVA_INPUT_TYPE_TOUCH, 9, 0, north, false},
        {OLVA_INPUT_TYPE_TOUCH, 4, 0x10, {}, true},
        {OLVA_INPUT_TYPE_TOUCH, 12, 1 << 12, east, true},  // beyond 9 it is a bit again
        {OLVA_INPUT_TYPE_TOUCH, 64, ~uint64_t{0}, {}, false},
        {OLVA_INPUT_TYPE_OTHER, 3, ~uint64_t{0}, east, false},
        {OLVA_INPUT_TYPE_GAMEPAD, 8, ~uint64_t{0}, east, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "input type " << row.inputType << ", code " << row.inputCode);
        bool flag = false;
        bool current = false;
        bool changed = false;
        unsigned int lastState = 0;
        input.OLVA_DetermineXrActionState(row.inputType, row.inputCode, row.mask, false, flag, row.analog, 0.5, 0.4,
                                          current, changed, lastState);
        EXPECT_EQ(flag, row.on);
        EXPECT_EQ(current, row.on);
        EXPECT_EQ(changed, row.on);
        EXPECT_EQ(lastState, row.on ? 1u : 0u);
    }
}

TEST_F(DigitalData, EdgeLogicCases)
{
    struct Row {
        const char* what;
        bool on;
        bool previous;  // the flag when the evaluation began
        bool flag;      // the flag now
        bool current;   // running results before
        bool changed;
        unsigned int lastState;
        // after
        bool flagAfter;
        bool currentAfter;
        bool changedAfter;
        unsigned int lastStateAfter;
    };
    const Row rows[] = {
        {"press", true, false, false, false, false, 0, true, true, true, 1},
        {"press, flag already moved by this scan", true, false, true, false, false, 1, true, true, true, 1},
        {"release", false, true, true, false, false, 1, false, false, true, 0},
        {"release keeps the running state", false, true, true, true, false, 1, false, true, true, 1},
        {"held, reported", true, true, true, false, false, 1, true, true, false, 1},
        {"held, not yet reported", true, true, true, false, false, 0, true, true, true, 1},
        {"off, reported", false, false, false, false, false, 0, false, false, false, 0},
        {"off, release not yet reported", false, false, false, false, false, 1, false, false, true, 0},
        {"off, but an earlier source of the scan moved the flag", false, false, true, false, false, 0, true, true,
         true, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        bool flag = row.flag;
        bool current = row.current;
        bool changed = row.changed;
        unsigned int lastState = row.lastState;
        const uint64_t mask = row.on ? 0x100 : 0;
        input.OLVA_DetermineXrActionState(OLVA_INPUT_TYPE_JOYSTICK, 8, mask, row.previous, flag, {}, -1.0, -1.0,
                                          current, changed, lastState);
        EXPECT_EQ(flag, row.flagAfter);
        EXPECT_EQ(current, row.currentAfter);
        EXPECT_EQ(changed, row.changedAfter);
        EXPECT_EQ(lastState, row.lastStateAfter);
    }
}

}  // namespace
}  // namespace olva::test
