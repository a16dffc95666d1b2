// An application's view of the frame path: load a manifest, look handles
// up, then per frame set the controllers in the test runtime, update and
// query, all through the exported entry points.
#include "support/process_state.h"
#include "support/runtime_fixture.h"

#include <olva/olva_framework.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace olva::test {
namespace {

const std::string kManifest = std::string(OLVA_FRAME_DATA_DIR) + "/manifest.json";

struct Digital {
    int active;
    int current;
    int changed;
    unsigned long inputSource;
    bool operator==(const Digital& o) const
    {
        return active == o.active && current == o.current && changed == o.changed && inputSource == o.inputSource;
    }
};

std::ostream& operator<<(std::ostream& out, const Digital& d)
{
    return out << "{active " << d.active << ", current " << d.current << ", changed " << d.changed << ", source 0x"
               << std::hex << d.inputSource << std::dec << "}";
}

class Application : public ProcessStateTest {
protected:
    // Both hand controllers of one kind, every analog input configured.
    void Start(OLVA_Device_InputType controllerKind)
    {
        runtime = CreateRuntime();
        state = StateOf(kFullRuntime);
        ASSERT_NE(state, nullptr);
        for (OLVA_DeviceType device : {OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, OLVA_DEVICE_TYPE_LEFT_CONTROLLER}) {
            state->supportedDevices |= uint64_t{1} << device;
            RuntimeDevice& d = state->devices[device];
            d.inputType = static_cast<uint64_t>(controllerKind);
            d.connected = 1;
            for (std::size_t id = 0; id < kMaxInputId; ++id) {
                d.idConfiguration[id] = 0xC;  // trigger and grip bits only...
                d.writesAnalog[id] = true;
            }
            d.idConfiguration[controllerKind == OLVA_INPUT_TYPE_TOUCH ? 5 : 9] = 0x8;  // ...and the position's
        }
        ASSERT_EQ(OLVA_XrActionManifestPath(runtime, kManifest.c_str()), 0);
        ASSERT_EQ(OLVA_GetXrInputSourceHandle(runtime, "/user/hand/right", &right), 0);
        ASSERT_EQ(OLVA_GetXrInputSourceHandle(runtime, "/user/hand/left", &left), 0);
    }

    unsigned long Action(const char* name)
    {
        unsigned long handle = 0;
        EXPECT_EQ(OLVA_GetXrActionHandle(runtime, name, &handle), 0);
        EXPECT_NE(handle, 0u);
        return handle;
    }

    RuntimeDevice& Right() { return state->devices[OLVA_DEVICE_TYPE_RIGHT_CONTROLLER]; }
    RuntimeDevice& Left() { return state->devices[OLVA_DEVICE_TYPE_LEFT_CONTROLLER]; }

    void Frame() { ASSERT_EQ(OLVA_UpdateXrActionState(runtime, nullptr, 0, 0), 0); }

    Digital Boolean(unsigned long action, unsigned long inputSource = 0)
    {
        OLVA_XrInputDigitalActionData data;
        std::memset(&data, 0xCD, sizeof data);
        EXPECT_EQ(OLVA_GetXrActionDigitalData(runtime, action, &data, 0, inputSource), 0);
        EXPECT_LE(data.time, 0);
        return {data.isActive, data.currentState, data.changedSinceLastSync,
                static_cast<unsigned long>(data.inputSource)};
    }

    OLVA_XrInputAnalogActionData Analog(unsigned long action)
    {
        OLVA_XrInputAnalogActionData data;
        std::memset(&data, 0xCD, sizeof data);
        EXPECT_EQ(OLVA_GetXrActionAnalogData(runtime, action, &data, 0, 0), 0);
        EXPECT_LE(data.time, 0);
        EXPECT_EQ(data.isActive, 1);
        EXPECT_EQ(data.z, 0.0f);
        EXPECT_EQ(data.deltaZ, 0.0f);
        return data;
    }

    void* runtime = nullptr;
    RuntimeState* state = nullptr;
    unsigned long right = 0;
    unsigned long left = 0;
};

TEST_F(Application, JoystickControllersFrameByFrame)
{
    Start(OLVA_INPUT_TYPE_JOYSTICK);
    const unsigned long fire = Action("/actions/game/in/fire");
    const unsigned long jump = Action("/actions/game/in/jump");
    const unsigned long turn = Action("/actions/game/in/turn");
    const unsigned long squeeze = Action("/actions/game/in/squeeze");
    const unsigned long move = Action("/actions/game/in/move");

    // Frame 1: nothing pressed, the left trigger half pulled.
    Left().analog[8] = {0.4f, 0.0f};
    Frame();
    EXPECT_EQ(Boolean(fire), (Digital{1, 0, 0, left}));
    EXPECT_EQ(Boolean(jump), (Digital{1, 0, 0, right}));
    OLVA_XrInputAnalogActionData value = Analog(squeeze);
    EXPECT_EQ(value.inputSource, left);  // the right trigger rests at (0, 0)
    EXPECT_FLOAT_EQ(value.x, 0.4f);
    EXPECT_EQ(value.deltaX, 0.0f);  // no frame before yet

    // Frame 2: the right trigger clicks, the left stick goes west.
    Right().clickStates = 0x100;
    Right().analog[8] = {1.0f, 0.0f};
    Left().analog[9] = {-0.9f, 0.1f};
    Frame();
    EXPECT_EQ(Boolean(fire), (Digital{1, 1, 1, right}));
    EXPECT_EQ(Boolean(fire, left), (Digital{1, 0, 0, left}));
    EXPECT_EQ(Boolean(turn), (Digital{1, 1, 1, left}));
    value = Analog(squeeze);
    EXPECT_EQ(value.inputSource, right);
    EXPECT_FLOAT_EQ(value.x, 1.0f);
    EXPECT_FLOAT_EQ(value.deltaX, -1.0f);  // frame before minus this one
    value = Analog(move);
    EXPECT_EQ(value.inputSource, left);
    EXPECT_FLOAT_EQ(value.x, -0.9f);
    EXPECT_FLOAT_EQ(value.y, 0.1f);
    EXPECT_FLOAT_EQ(value.deltaX, 0.9f);
    EXPECT_FLOAT_EQ(value.deltaY, -0.1f);

    // Frame 3: held.
    Frame();
    EXPECT_EQ(Boolean(fire), (Digital{1, 1, 0, right}));
    EXPECT_EQ(Boolean(turn), (Digital{1, 1, 0, left}));
    value = Analog(move);
    EXPECT_EQ(value.deltaX, 0.0f);
    EXPECT_EQ(value.deltaY, 0.0f);

    // Frame 4: the right trigger lets go as the left one clicks.
    Right().clickStates = 0;
    Left().clickStates = 0x100;
    Left().analog[9] = {0.0f, 0.0f};
    Frame();
    EXPECT_EQ(Boolean(fire), (Digital{1, 0, 1, right}));  // the release wins once
    EXPECT_EQ(Boolean(fire), (Digital{1, 1, 1, left}));
    EXPECT_EQ(Boolean(turn), (Digital{1, 0, 1, left}));
    EXPECT_EQ(Boolean(jump), (Digital{1, 0, 0, right}));

    // Wrong kinds of action are refused.
    OLVA_XrInputDigitalActionData digital;
    OLVA_XrInputAnalogActionData analog;
    EXPECT_EQ(OLVA_GetXrActionDigitalData(runtime, move, &digital, 0, 0), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(OLVA_GetXrActionAnalogData(runtime, fire, &analog, 0, 0), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(OLVA_GetXrActionAnalogData(nullptr, move, &analog, 0, 0), OLVA_RESULT_INVALID_RUNTIME);
}

TEST_F(Application, TouchControllers)
{
    Start(OLVA_INPUT_TYPE_TOUCH);
    const unsigned long jump = Action("/actions/game/in/jump");
    const unsigned long menu = Action("/actions/game/in/menu");
    const unsigned long turn = Action("/actions/game/in/turn");
    const unsigned long move = Action("/actions/game/in/move");

    // On the touch controller the B button and the menu share a bit.
    Right().clickStates = 0x4;
    Right().analog[5] = {0.5f, 0.1f};
    Frame();
    EXPECT_EQ(Boolean(jump), (Digital{1, 1, 1, right}));
    EXPECT_EQ(Boolean(menu), (Digital{1, 1, 1, right}));
    EXPECT_EQ(Boolean(turn), (Digital{1, 1, 1, right}));  // east on the pad
    const OLVA_XrInputAnalogActionData value = Analog(move);
    EXPECT_EQ(value.inputSource, right);
    EXPECT_FLOAT_EQ(value.x, 0.5f);
    EXPECT_FLOAT_EQ(value.y, 0.1f);

    // On the diagonal the pad points nowhere.
    Right().analog[5] = {0.5f, 0.5f};
    Frame();
    EXPECT_EQ(Boolean(turn), (Digital{1, 0, 1, right}));
}

TEST_F(Application, ActionSetsLoadedAfterTheFirstFrameStayUnbuilt)
{
    runtime = CreateRuntime();
    state = StateOf(kFullRuntime);
    ASSERT_EQ(OLVA_UpdateXrActionState(nullptr, nullptr, 0, 0), OLVA_RESULT_INVALID_RUNTIME);
    Frame();  // builds nothing: no manifest yet

    Start(OLVA_INPUT_TYPE_JOYSTICK);
    const unsigned long fire = Action("/actions/game/in/fire");
    Right().clickStates = 0x100;
    Frame();
    OLVA_XrInputDigitalActionData data;
    EXPECT_EQ(OLVA_GetXrActionDigitalData(runtime, fire, &data, 0, 0), 0);
    EXPECT_EQ(data.inputSource, 0u);  // no hand was ever bound
    EXPECT_EQ(data.currentState, 0);
}

}  // namespace
}  // namespace olva::test
