// The per-frame update against the test runtime: which runtime calls it
// makes, in which order and with which arguments, and what it stores.
#include "frame/frame_fixture.h"
#include "loader/entry_point_index.h"
#include "loader/olva_framework.h"
#include "support/process_state.h"
#include "support/runtime_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace olva::test {
namespace {

class FrameUpdate : public ProcessStateTest {
protected:
    FrameUpdate()
    {
        runtime = CreateRuntime();
        state = StateOf(kFullRuntime);
    }

    void SetController(OLVA_DeviceType device, OLVA_Device_InputType inputType)
    {
        input.m_deviceInputTypes[device] = inputType;
    }

    // Every analog input id of a device configured and readable.
    void ConfigureAll(OLVA_DeviceType device)
    {
        RuntimeDevice& d = state->devices[device];
        for (std::size_t id = 0; id < kMaxInputId; ++id) {
            d.idConfiguration[id] = 0xFF;
            d.writesAnalog[id] = true;
        }
    }

    int32_t Update() { return input.OLVA_UpdateXrActionState(runtime, nullptr, 0, 0); }

    // The runtime calls since the last look, as "name arg arg ...", leaving
    // out the runtime handle (checked here) and the output pointer.
    std::vector<std::string> TakeCalls()
    {
        std::vector<std::string> calls;
        for (uint32_t i = 0; i < state->logSize; ++i) {
            const RuntimeCall& call = state->log[i];
            EXPECT_EQ(call.args[0], ArgBits(runtime));
            std::string text = g_funVec.at(call.entry);
            std::size_t argCount = 0;
            switch (static_cast<EntryPoint>(call.entry)) {
            case EntryPoint::OLVA_IsDeviceConnected:
                argCount = 1;
                break;
            case EntryPoint::OLVA_GetInputClickStates:
            case EntryPoint::OLVA_GetInputTouchStates:
                argCount = 2;
                break;
            case EntryPoint::OLVA_GetInputIdConfiguration:
            case EntryPoint::OLVA_GetInputAnalogState:
                argCount = 3;
                break;
            default:
                break;
            }
            for (std::size_t a = 1; a <= argCount; ++a) {
                text += " " + std::to_string(static_cast<int64_t>(static_cast<int32_t>(call.args[a])));
            }
            calls.push_back(text);
        }
        state->logSize = 0;
        return calls;
    }

    // The nine calls of one hand with every analog slot read.
    static std::vector<std::string> FullPoll(int device, int inputType, int positionId, int triggerId, int gripId)
    {
        const std::string d = std::to_string(device) + " " + std::to_string(inputType);
        auto id = [&](int inputId) { return d + " " + std::to_string(inputId); };
        return {
            "OLVA_IsDeviceConnected " + std::to_string(device),
            "OLVA_GetInputClickStates " + d,
            "OLVA_GetInputTouchStates " + d,
            "OLVA_GetInputIdConfiguration " + id(positionId),
            "OLVA_GetInputAnalogState " + id(positionId),
            "OLVA_GetInputIdConfiguration " + id(triggerId),
            "OLVA_GetInputAnalogState " + id(triggerId),
            "OLVA_GetInputIdConfiguration " + id(gripId),
            "OLVA_GetInputAnalogState " + id(gripId),
        };
    }

    static std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b)
    {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    void* runtime = nullptr;
    RuntimeState* state = nullptr;
    olva_input input;
    FrameRecords records{input};
};

TEST_F(FrameUpdate, PollsRightThenLeftAndNeverTheGamepad)
{
    SetController(OLVA_DEVICE_TYPE_GAMEPAD, OLVA_INPUT_TYPE_GAMEPAD);
    SetController(OLVA_DEVICE_TYPE_LEFT_CONTROLLER, OLVA_INPUT_TYPE_JOYSTICK);
    SetController(OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, OLVA_INPUT_TYPE_TOUCH);
    ConfigureAll(OLVA_DEVICE_TYPE_RIGHT_CONTROLLER);
    ConfigureAll(OLVA_DEVICE_TYPE_LEFT_CONTROLLER);
    ConfigureAll(OLVA_DEVICE_TYPE_GAMEPAD);

    ASSERT_EQ(Update(), 0);
    EXPECT_EQ(TakeCalls(), Concat(FullPoll(3, 2, 5, 4, 3), FullPoll(4, 3, 9, 8, 7)));
    EXPECT_TRUE(input.m_actionSetsBuilt);

    // The same every frame.
    ASSERT_EQ(Update(), 0);
    EXPECT_EQ(TakeCalls(), Concat(FullPoll(3, 2, 5, 4, 3), FullPoll(4, 3, 9, 8, 7)));
}

TEST_F(FrameUpdate, StoresTheAnswersAndKeepsTheFrameBefore)
{
    SetController(OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, OLVA_INPUT_TYPE_JOYSTICK);
    ConfigureAll(OLVA_DEVICE_TYPE_RIGHT_CONTROLLER);
    RuntimeDevice& right = state->devices[OLVA_DEVICE_TYPE_RIGHT_CONTROLLER];
    right.connected = 7;
    right.clickStates = 0x100;
    right.touchStates = 0x300;
    right.analog[9] = {0.1f, 0.2f};
    right.analog[8] = {0.3f, 0.0f};
    right.analog[7] = {0.4f, 0.0f};

    ASSERT_EQ(Update(), 0);
    const OLVA_XrInputValue& value = *records.right;
    EXPECT_TRUE(value.connected);
    EXPECT_TRUE(value.currentValid);
    EXPECT_FALSE(value.previousValid);
    EXPECT_EQ(value.current.clickStates, 0x100u);
    EXPECT_EQ(value.current.touchStates, 0x300u);
    EXPECT_EQ(value.current.analog[0].x, 0.1f);
    EXPECT_EQ(value.current.analog[0].y, 0.2f);
    EXPECT_EQ(value.current.analog[1].x, 0.3f);
    EXPECT_EQ(value.current.analog[2].x, 0.4f);
    EXPECT_EQ(value.previous.clickStates, 0u);

    right.connected = 0;
    right.clickStates = 0;
    right.analog[9] = {-1.0f, 0.5f};
    ASSERT_EQ(Update(), 0);
    EXPECT_FALSE(value.connected);
    EXPECT_TRUE(value.previousValid);
    EXPECT_EQ(value.previous.clickStates, 0x100u);
    EXPECT_EQ(value.previous.analog[0].x, 0.1f);
    EXPECT_EQ(value.current.clickStates, 0u);
    EXPECT_EQ(value.current.analog[0].x, -1.0f);
    EXPECT_EQ(value.current.analog[1].x, 0.3f);

    // No change in the answers: the frame before equals this one.
    ASSERT_EQ(Update(), 0);
    EXPECT_EQ(std::memcmp(&value.previous, &value.current, sizeof value.current), 0);

    // The left hand has no controller table entry: never touched.
    EXPECT_FALSE(records.left->currentValid);
}

TEST_F(FrameUpdate, ReadsASlotOnlyWhenItsConfigurationAllows)
{
    struct Row {
        const char* what;
        int slot;
        uint32_t inputId;
        int32_t configurationResult;
        uint64_t configuration;
        int32_t analogResult;
        bool read;    // GetInputAnalogState is called
        bool stored;  // and its vector kept
    };
    const Row rows[] = {
        {"position, bit 3", 0, 9, 0, 0x8, 0, true, true},
        {"position, bit 2 alone does not count", 0, 9, 0, 0x4, 0, false, false},
        {"trigger, bit 2", 1, 8, 0, 0x4, 0, true, true},
        {"trigger, bit 3", 1, 8, 0, 0x8, 0, true, true},
        {"grip, bits 2 and 3 among others", 2, 7, 0, 0xFE, 0, true, true},
        {"trigger, no bit of the mask", 1, 8, 0, 0xF3, 0, false, false},
        {"grip, only above the lowest byte", 2, 7, 0, 0xC00, 0, false, false},
        {"position, configuration query failed", 0, 9, -1, 0xFF, 0, false, false},
        {"trigger, configuration query unsupported", 1, 8, OLVA_RESULT_UNSUPPORTED, 0xFF, 0, false, false},
        {"grip, the read failed", 2, 7, 0, 0xC, -3, true, false},
    };
    SetController(OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, OLVA_INPUT_TYPE_JOYSTICK);
    RuntimeDevice& right = state->devices[OLVA_DEVICE_TYPE_RIGHT_CONTROLLER];
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        right = RuntimeDevice{};
        right.idConfigurationResult[row.inputId] = row.configurationResult;
        right.idConfiguration[row.inputId] = row.configuration;
        right.analogResult[row.inputId] = row.analogResult;
        right.writesAnalog[row.inputId] = true;
        right.analog[row.inputId] = {0.9f, -0.9f};
        const OLVA_Vector2f before{0.25f, 0.5f};
        records.right->current.analog[row.slot] = before;

        ASSERT_EQ(Update(), 0);
        const std::string readCall = "OLVA_GetInputAnalogState 3 3 " + std::to_string(row.inputId);
        std::vector<std::string> analogReads;
        for (const std::string& call : TakeCalls()) {
            if (call.rfind("OLVA_GetInputAnalogState", 0) == 0) {
                analogReads.push_back(call);
            }
        }
        EXPECT_EQ(analogReads, row.read ? std::vector<std::string>{readCall} : std::vector<std::string>{});
        const OLVA_Vector2f stored = records.right->current.analog[row.slot];
        EXPECT_EQ(stored.x, row.stored ? 0.9f : before.x);
        EXPECT_EQ(stored.y, row.stored ? -0.9f : before.y);
        EXPECT_EQ(records.right->previous.analog[row.slot].x, before.x);
    }
}

TEST_F(FrameUpdate, OtherControllerKindsPollOnlyTheMasks)
{
    for (OLVA_Device_InputType inputType : {OLVA_INPUT_TYPE_OTHER, OLVA_INPUT_TYPE_NONE, OLVA_INPUT_TYPE_GAMEPAD}) {
        SCOPED_TRACE(inputType);
        SetController(OLVA_DEVICE_TYPE_LEFT_CONTROLLER, inputType);
        ConfigureAll(OLVA_DEVICE_TYPE_LEFT_CONTROLLER);
        state->devices[OLVA_DEVICE_TYPE_LEFT_CONTROLLER].clickStates = 0x42;
        records.left->current.analog[1] = {0.5f, 0.5f};

        ASSERT_EQ(Update(), 0);
        const std::string d = "4 " + std::to_string(inputType);
        EXPECT_EQ(TakeCalls(), (std::vector<std::string>{"OLVA_IsDeviceConnected 4", "OLVA_GetInputClickStates " + d,
                                                         "OLVA_GetInputTouchStates " + d}));
        EXPECT_EQ(records.left->current.clickStates, 0x42u);
        EXPECT_EQ(records.left->current.analog[1].x, 0.5f);
    }
}

TEST_F(FrameUpdate, IgnoresTheResultsOfTheRuntimeCalls)
{
    SetController(OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, OLVA_INPUT_TYPE_JOYSTICK);
    ConfigureAll(OLVA_DEVICE_TYPE_RIGHT_CONTROLLER);
    RuntimeDevice& right = state->devices[OLVA_DEVICE_TYPE_RIGHT_CONTROLLER];
    right.connected = 1;
    right.clickStates = 0x2;
    right.touchStates = 0x4;
    for (EntryPoint entry : {EntryPoint::OLVA_IsDeviceConnected, EntryPoint::OLVA_GetInputClickStates,
                             EntryPoint::OLVA_GetInputTouchStates}) {
        state->results[static_cast<std::size_t>(entry)] = -5;
    }
    ASSERT_EQ(Update(), 0);
    EXPECT_TRUE(records.right->connected);
    EXPECT_EQ(records.right->current.clickStates, 0x2u);
    EXPECT_EQ(records.right->current.touchStates, 0x4u);

    // A runtime that writes nothing: the preset values, not last frame's.
    state->recordOnly = true;
    ASSERT_EQ(Update(), 0);
    EXPECT_FALSE(records.right->connected);
    EXPECT_EQ(records.right->current.clickStates, 0u);
    EXPECT_EQ(records.right->current.touchStates, 0u);
}

TEST_F(FrameUpdate, NullRuntimeChangesNothing)
{
    SetController(OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, OLVA_INPUT_TYPE_JOYSTICK);
    EXPECT_EQ(input.OLVA_UpdateXrActionState(nullptr, nullptr, 0, 0), OLVA_RESULT_INVALID_RUNTIME);
    EXPECT_FALSE(input.m_actionSetsBuilt);
    EXPECT_FALSE(records.right->currentValid);
    EXPECT_TRUE(TakeCalls().empty());

    // Its other arguments are never read.
    OLVA_XrActiveActionSet* garbage = reinterpret_cast<OLVA_XrActiveActionSet*>(uintptr_t{0x10});
    EXPECT_EQ(input.OLVA_UpdateXrActionState(runtime, garbage, 0xFFFFFFFFu, 5), 0);
    EXPECT_TRUE(input.m_actionSetsBuilt);
    EXPECT_TRUE(records.right->currentValid);
}

TEST_F(FrameUpdate, FailedBuildPollsNothingAndIsRetried)
{
    SetController(OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, OLVA_INPUT_TYPE_JOYSTICK);
    OLVA_XrActionSet* set = olva::input::NewActionSet();
    set->name = "/actions/game";
    input.m_actionSetMap[set->name] = set;
    Json::Value sources(Json::objectValue);  // sources must be a list
    sources["first"] = Json::Value(Json::objectValue);
    input.m_bindings["bindings"]["/actions/game"]["sources"] = sources;

    EXPECT_EQ(Update(), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_FALSE(input.m_actionSetsBuilt);
    EXPECT_TRUE(TakeCalls().empty());
    EXPECT_FALSE(records.right->currentValid);

    input.m_bindings["bindings"]["/actions/game"]["sources"] = Json::Value(Json::arrayValue);
    EXPECT_EQ(Update(), 0);
    EXPECT_TRUE(input.m_actionSetsBuilt);
    EXPECT_TRUE(records.right->currentValid);
}

}  // namespace
}  // namespace olva::test
