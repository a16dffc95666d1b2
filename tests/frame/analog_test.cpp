// Analog action data on hand-made records: the value of the first source's
// slot, its change since the update before, and which hand answers.
#include "frame/frame_fixture.h"
#include "support/process_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace olva::test {
namespace {

using olva::input::Hand;

class AnalogData : public ProcessStateTest {
protected:
    OLVA_XrInputAnalogActionData Query(const OLVA_XrAction* action, unsigned long inputSource = 0)
    {
        OLVA_XrInputAnalogActionData data;
        std::memset(&data, 0xAB, sizeof data);
        EXPECT_EQ(input.OLVA_GetXrActionAnalogData(runtime, HandleOf(action), &data, 3, inputSource), 0);
        EXPECT_LE(data.time, 0);
        return data;
    }

    // Sets a slot as two updates would leave it.
    static void SetSlot(OLVA_XrInputValue* value, int slot, OLVA_Vector2f previous, OLVA_Vector2f current)
    {
        value->previous.analog[slot] = previous;
        value->current.analog[slot] = current;
        value->previousValid = true;
        value->currentValid = true;
    }

    unsigned long Right() const { return HandleOf(records.right); }
    unsigned long Left() const { return HandleOf(records.left); }

    olva_input input;
    FrameRecords records{input};
    int runtimeObject = 0;
    void* runtime = &runtimeObject;
};

void ExpectValues(const OLVA_XrInputAnalogActionData& data, int active, unsigned long inputSource, float x, float y,
                  float deltaX, float deltaY)
{
    EXPECT_EQ(data.isActive, active);
    EXPECT_EQ(data.inputSource, inputSource);
    EXPECT_FLOAT_EQ(data.x, x);
    EXPECT_FLOAT_EQ(data.y, y);
    EXPECT_EQ(data.z, 0.0f);
    EXPECT_FLOAT_EQ(data.deltaX, deltaX);
    EXPECT_FLOAT_EQ(data.deltaY, deltaY);
    EXPECT_EQ(data.deltaZ, 0.0f);
}

TEST_F(AnalogData, ArgumentChecksClearTheRecordFirst)
{
    OLVA_XrAction* stick = records.Action("vector2");
    OLVA_XrAction* boolean = records.Action("boolean");
    OLVA_XrAction* unset = records.Action("<unset>");
    records.Bind(stick, Hand::Right, "/input/joystick", "position");
    records.Bind(boolean, Hand::Right, "/input/joystick", "position");
    SetSlot(records.right, 0, {1, 1}, {0.5f, 0.5f});

    const OLVA_XrInputAnalogActionData zero{};
    struct Row {
        const char* what;
        void* runtime;
        unsigned long action;
        int32_t result;
    };
    const Row rows[] = {
        {"null runtime", nullptr, HandleOf(stick), OLVA_RESULT_INVALID_RUNTIME},
        {"action 0", runtime, 0, OLVA_RESULT_INVALID_ARGUMENT},
        {"type boolean", runtime, HandleOf(boolean), OLVA_RESULT_INVALID_ARGUMENT},
        {"type <unset>", runtime, HandleOf(unset), OLVA_RESULT_INVALID_ARGUMENT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OLVA_XrInputAnalogActionData data;
        std::memset(&data, 0xAB, sizeof data);
        EXPECT_EQ(input.OLVA_GetXrActionAnalogData(row.runtime, row.action, &data, 0, 0), row.result);
        EXPECT_EQ(std::memcmp(&data, &zero, sizeof data), 0);
    }
    EXPECT_EQ(input.OLVA_GetXrActionAnalogData(runtime, HandleOf(stick), nullptr, 0, 0), OLVA_RESULT_INVALID_ARGUMENT);

    // No hand bound: 0 and an all-zero record.
    OLVA_XrAction* unbound = records.Action("single");
    const OLVA_XrInputAnalogActionData data = Query(unbound);
    EXPECT_EQ(std::memcmp(&data, &zero, sizeof data), 0);
}

TEST_F(AnalogData, EveryAnalogTypeGetsBothComponents)
{
    for (const char* type : {"single", "vector1", "Vector2", "VECTOR3"}) {
        SCOPED_TRACE(type);
        OLVA_XrAction* action = records.Action(type);
        records.Bind(action, Hand::Right, "/input/joystick", "position");
        SetSlot(records.right, 0, {0.75f, -0.5f}, {0.25f, -0.5f});
        ExpectValues(Query(action), 1, Right(), 0.25f, -0.5f, 0.5f, 0.0f);  // previous minus present
    }
}

TEST_F(AnalogData, DeltasAreZeroBeforeTheSecondUpdate)
{
    OLVA_XrAction* action = records.Action("vector2");
    records.Bind(action, Hand::Left, "/input/trackpad", "position");
    SetSlot(records.left, 0, {0.75f, -0.5f}, {0.25f, -0.5f});
    records.left->previousValid = false;
    ExpectValues(Query(action), 1, Left(), 0.25f, -0.5f, 0.0f, 0.0f);
}

TEST_F(AnalogData, SlotByComponentPathOfTheFirstSource)
{
    SetSlot(records.right, 0, {0.1f, 0.2f}, {0.3f, 0.4f});
    SetSlot(records.right, 1, {0.5f, 0.0f}, {0.6f, 0.0f});
    SetSlot(records.right, 2, {0.9f, 0.0f}, {0.7f, 0.0f});
    struct Row {
        const char* firstPath;
        float x;
        float y;
        float deltaX;
        float deltaY;
    };
    const Row rows[] = {
        {"/input/joystick", 0.3f, 0.4f, -0.2f, -0.2f},
        {"/input/TrackPad", 0.3f, 0.4f, -0.2f, -0.2f},
        {"/input/trigger", 0.6f, 0.0f, -0.1f, 0.0f},
        {"/input/grip", 0.7f, 0.0f, 0.2f, 0.0f},
        {"/input/a", 0.0f, 0.0f, 0.0f, 0.0f},  // no analog value: active, zeros
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.firstPath);
        OLVA_XrAction* action = records.Action("single");
        records.Bind(action, Hand::Right, row.firstPath, "pull");
        records.Bind(action, Hand::Right, "/input/trigger", "pull");  // never looked at
        ExpectValues(Query(action), 1, Right(), row.x, row.y, row.deltaX, row.deltaY);
    }
}

TEST_F(AnalogData, RightHandWinsUnlessExactlyZero)
{
    OLVA_XrAction* action = records.Action("single");
    records.Bind(action, Hand::Right, "/input/trigger", "pull");
    records.Bind(action, Hand::Left, "/input/trigger", "pull");
    SetSlot(records.left, 1, {0.8f, 0.0f}, {0.8f, 0.0f});

    struct Row {
        const char* what;
        OLVA_Vector2f right;
        bool leftAnswers;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Row rows[] = {
        {"(0, 0)", {0.0f, 0.0f}, true},
        {"(-0, 0)", {-0.0f, 0.0f}, true},
        {"(0, -0)", {0.0f, -0.0f}, true},
        {"(0.01, 0)", {0.01f, 0.0f}, false},
        {"(0, -0.01)", {0.0f, -0.01f}, false},
        {"(NaN, 0)", {nan, 0.0f}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SetSlot(records.right, 1, {0.5f, 0.5f}, row.right);  // a change alone does not count
        const OLVA_XrInputAnalogActionData data = Query(action);
        if (row.leftAnswers) {
            ExpectValues(data, 1, Left(), 0.8f, 0.0f, 0.0f, 0.0f);
        } else {
            EXPECT_EQ(data.inputSource, Right());
            EXPECT_EQ(std::memcmp(&data.x, &row.right.x, sizeof(float)), 0);
            EXPECT_EQ(std::memcmp(&data.y, &row.right.y, sizeof(float)), 0);
        }
    }
}

TEST_F(AnalogData, InputSourceSelectsAHand)
{
    OLVA_XrAction* action = records.Action("vector2");
    records.Bind(action, Hand::Right, "/input/joystick", "position");
    records.Bind(action, Hand::Left, "/input/joystick", "position");
    SetSlot(records.left, 0, {0.0f, 0.0f}, {-0.3f, 0.9f});

    ExpectValues(Query(action, Right()), 1, Right(), 0.0f, 0.0f, 0.0f, 0.0f);  // even at (0, 0)
    ExpectValues(Query(action, Left()), 1, Left(), -0.3f, 0.9f, 0.3f, -0.9f);

    // Neither hand of the action: both hands, as for 0.
    OLVA_XrInputValue* gamepad = records.AddInputValue("/user/gamepad");
    ExpectValues(Query(action, HandleOf(gamepad)), 1, Left(), -0.3f, 0.9f, 0.3f, -0.9f);

    OLVA_XrAction* leftOnly = records.Action("vector2");
    records.Bind(leftOnly, Hand::Left, "/input/joystick", "position");
    ExpectValues(Query(leftOnly), 1, Left(), -0.3f, 0.9f, 0.3f, -0.9f);
}

TEST_F(AnalogData, HandWithoutSourcesIsInactive)
{
    OLVA_XrAction* action = records.Action("single");
    action->rightInputValue = Right();
    SetSlot(records.right, 1, {0.5f, 0.0f}, {0.6f, 0.0f});
    const OLVA_XrInputAnalogActionData data = Query(action);
    ExpectValues(data, 0, Right(), 0.0f, 0.0f, 0.0f, 0.0f);
}

TEST_F(AnalogData, SourceWithoutPathLeavesTheRestAsItWas)
{
    OLVA_XrAction* action = records.Action("single");
    records.Bind(action, Hand::Right, "/input/trigger", "pull");
    OLVA_XrActionSource* left = records.Bind(action, Hand::Left, "/input/trigger", "pull");
    left->path.clear();
    SetSlot(records.right, 1, {0.5f, 0.0f}, {0.0f, 0.0f});

    // The right hand rests at (0, 0), so the left is tried: it only clears isActive.
    ExpectValues(Query(action), 0, Right(), 0.0f, 0.0f, 0.5f, 0.0f);
}

}  // namespace
}  // namespace olva::test
