// The scenario reader and the simulation, without the library.
#include "scenario.h"
#include "simulation.h"

#include <gtest/gtest.h>

#include <string>

using namespace olva::sim;

namespace {

constexpr const char* kDataDir = OLVA_SIM_TEST_DATA_DIR;

Scenario Parse(const std::string& text)
{
    Scenario scenario;
    std::string error;
    EXPECT_TRUE(ParseScenario(text, scenario, error)) << error;
    return scenario;
}

}  // namespace

TEST(ScenarioParse, ReadsEveryField)
{
    const Scenario s = Parse(R"({
        "name": "all fields", "description": "for people",
        "controllers": {"right": "joystick", "left": "touch", "gamepad": "gamepad"},
        "xr_features": [256, 1],
        "timeline": [
            {"frame": 0, "comment": "c", "right": {"pressed": ["trigger", "a"], "touched": ["thumbstick"],
                                                   "stick": [-1, 0.5], "trigger": 1, "grip": 0.25}},
            {"frame": 7, "left": {"connected": false}, "gamepad": {"pressed": []}}
        ]})");

    EXPECT_EQ(s.name, "all fields");
    EXPECT_EQ(s.controllers[0], Kind::Joystick);
    EXPECT_EQ(s.controllers[1], Kind::Touch);
    EXPECT_EQ(s.controllers[2], Kind::Gamepad);
    EXPECT_EQ(s.xrFeatures, 257u);
    ASSERT_EQ(s.timeline.size(), 2u);

    const ControllerChange& right = *s.timeline[0].changes[0];
    EXPECT_EQ(right.pressed, ControlSet(Bit(Control::Trigger) | Bit(Control::A)));
    EXPECT_EQ(right.touched, Bit(Control::Thumbstick));
    EXPECT_EQ(right.stick, (std::array<float, 2>{-1.0f, 0.5f}));
    EXPECT_EQ(right.trigger, 1.0f);
    EXPECT_EQ(right.grip, 0.25f);
    EXPECT_FALSE(right.connected);
    EXPECT_FALSE(s.timeline[0].changes[1]);

    EXPECT_EQ(s.timeline[1].frame, 7);
    EXPECT_EQ(s.timeline[1].changes[1]->connected, false);
    EXPECT_FALSE(s.timeline[1].changes[1]->pressed);
    EXPECT_EQ(s.timeline[1].changes[2]->pressed, ControlSet(0));
}

TEST(ScenarioParse, RejectsBadScenariosNamingPlaceAndProblem)
{
    const std::string right = R"("controllers": {"right": "touch"})";
    auto entry = [&](const std::string& change) {
        return "{" + right + R"(, "timeline": [{"frame": 0, "right": )" + change + "}]}";
    };
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"", "parse error"},
        {"{" + right + "} /* comment */", "parse error"},
        {"[]", "top level: must be an object"},
        {"{}", "top level: missing key \"controllers\""},
        {"{" + right + R"(, "extra": 1})", "top level: unknown key \"extra\""},
        {"{\"name\": \"\xff\", " + right + "}", "parse error"},
        {R"({"name": 5, )" + right + "}", "name: must be a string"},
        {R"({"controllers": {}})", "controllers: names no controller"},
        {R"({"controllers": []})", "controllers: must be an object"},
        {R"({"controllers": {"head": "touch"}})", "controllers: unknown key \"head\""},
        {R"({"controllers": {"right": "keyboard"}})", "controllers.right: unknown controller kind \"keyboard\""},
        {R"({"controllers": {"right": 2}})", "controllers.right: must be a controller kind"},
        {R"({"controllers": {"right": "touch", "\u0001": 1}})", "unknown key \"\\u0001\""},
        {"{" + right + R"(, "xr_features": [3]})", "xr_features[0]: must be a feature value with exactly one bit"},
        {"{" + right + R"(, "xr_features": [-256]})", "xr_features[0]: must be a feature value"},
        {"{" + right + R"(, "timeline": {}})", "timeline: must be an array"},
        {"{" + right + R"(, "timeline": [{"right": {}}]})", "timeline[0]: missing key \"frame\""},
        {"{" + right + R"(, "timeline": [{"frame": -1}]})", "timeline[0].frame: must be a whole number"},
        {"{" + right + R"(, "timeline": [{"frame": 1.5}]})", "timeline[0].frame: must be a whole number"},
        {"{" + right + R"(, "timeline": [{"frame": "3"}]})", "timeline[0].frame: must be a whole number"},
        {"{" + right + R"(, "timeline": [{"frame": 18446744073709551615}]})", "timeline[0].frame: must be a whole"},
        {"{" + right + R"(, "timeline": [{"frame": 2}, {"frame": 2}]})",
         "timeline[1].frame: must be greater than the frame of the entry before (2)"},
        {"{" + right + R"(, "timeline": [{"frame": 0, "left": {}}]})",
         "timeline[0].left: names a controller that \"controllers\" does not declare"},
        {"{" + right + R"(, "timeline": [{"frame": 0, "comment": 1}]})", "timeline[0].comment: must be a string"},
        {entry(R"({"presed": []})"), "timeline[0].right: unknown key \"presed\""},
        {entry(R"({"pressed": ["trgger"]})"), "timeline[0].right.pressed[0]: unknown control \"trgger\""},
        {entry(R"({"touched": ["a", 1]})"), "timeline[0].right.touched[1]: must be a control name"},
        {entry(R"({"pressed": "a"})"), "timeline[0].right.pressed: must be an array"},
        {entry(R"({"pressed": ["A"]})"), "unknown control \"A\""},
        {entry(R"({"stick": [0.5]})"), "timeline[0].right.stick: must be an array of two numbers"},
        {entry(R"({"stick": [0, 1.5]})"), "timeline[0].right.stick[1]: must lie in [-1, 1], not 1.5"},
        {entry(R"({"stick": [null, 0]})"), "timeline[0].right.stick[0]: must be a number"},
        {entry(R"({"trigger": -0.1})"), "timeline[0].right.trigger: must lie in [0, 1]"},
        {entry(R"({"grip": 1e400})"), "number overflow"},
        {entry(R"({"grip": "full"})"), "timeline[0].right.grip: must be a number"},
        {entry(R"({"connected": "yes"})"), "timeline[0].right.connected: must be true or false"},
        {entry("[]"), "timeline[0].right: must be an object"},
        {std::string(17, '[') + std::string(17, ']'), "nested deeper than 16 levels"},
        {std::string(kMaxScenarioBytes + 1, ' '), "larger than"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 120));
        Scenario out;
        out.name = "untouched";
        std::string error;
        EXPECT_FALSE(ParseScenario(c.text, out, error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
        EXPECT_EQ(out.name, "untouched");
    }
}

TEST(ScenarioParse, BracketsInsideStringsDoNotCountAsNesting)
{
    const Scenario s = Parse(R"({"name": "[[[[[[[[[[[[[[[[[[[[\"{{{{{{{{{{{{{{{{{{{{", "controllers": {"left": "touch"}})");
    EXPECT_EQ(s.name.size(), 41u);
}

TEST(ScenarioFile, ErrorsNameTheFile)
{
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {std::string(kDataDir) + "/missing.json", "/missing.json: cannot open the scenario file"},
        {kDataDir, "data: not a regular file"},
        {std::string(kDataDir) + "/unknown_control.json",
         "/unknown_control.json: timeline[0].right.pressed[0]: unknown control \"trgger\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        Scenario out;
        std::string error;
        EXPECT_FALSE(LoadScenarioFile(c.path, out, error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }

    Scenario good;
    std::string error;
    EXPECT_TRUE(LoadScenarioFile(std::string(kDataDir) + "/two_hands.json", good, error)) << error;
    EXPECT_EQ(good.name, "two hands");
}

TEST(Simulation, ControlMasksFollowEachKindsBitTable)
{
    const struct {
        Kind kind;
        Control control;
        unsigned bit;
    } cases[] = {
        {Kind::Touch, Control::A, 1},        {Kind::Touch, Control::B, 2},        {Kind::Touch, Control::X, 3},
        {Kind::Touch, Control::Y, 4},        {Kind::Touch, Control::Menu, 2},     {Kind::Touch, Control::Grip, 3},
        {Kind::Touch, Control::Trigger, 4},  {Kind::Touch, Control::Thumbstick, 5},
        {Kind::Joystick, Control::A, 1},     {Kind::Joystick, Control::B, 2},     {Kind::Joystick, Control::X, 3},
        {Kind::Joystick, Control::Y, 4},     {Kind::Joystick, Control::Menu, 6},  {Kind::Joystick, Control::Grip, 7},
        {Kind::Joystick, Control::Trigger, 8}, {Kind::Joystick, Control::Thumbstick, 9},
        {Kind::Gamepad, Control::Menu, 6},   {Kind::Gamepad, Control::Thumbstick, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(KindName(c.kind)) + " " + std::string(ControlName(c.control)));
        EXPECT_EQ(ControlMask(c.kind, Bit(c.control)), uint64_t{1} << c.bit);
    }
    EXPECT_EQ(ControlMask(Kind::Joystick, Bit(Control::Trigger) | Bit(Control::A)), 0x102u);
}

TEST(Simulation, TimelineHoldsEachStateUntilTheNextEntry)
{
    Simulation sim(Parse(R"({"controllers": {"right": "joystick"}, "timeline": [
        {"frame": 1, "right": {"pressed": ["trigger"], "touched": ["a"], "stick": [0.5, -0.5], "trigger": 0.75}},
        {"frame": 3, "right": {"pressed": []}},
        {"frame": 4, "right": {"connected": false}}]})"));
    const OLVA_DeviceType right = OLVA_DEVICE_TYPE_RIGHT_CONTROLLER;
    const OLVA_Device_InputType joystick = OLVA_INPUT_TYPE_JOYSTICK;

    struct Expected {
        uint32_t connected;
        uint64_t click;
        uint64_t touch;
        OLVA_Vector2f stick;
        OLVA_Vector2f trigger;
    };
    const Expected frames[] = {
        {1, 0, 0, {0, 0}, {0, 0}},                             // -1: before the first frame
        {1, 0, 0, {0, 0}, {0, 0}},                             // 0
        {1, 0x100, 0x102, {0.5f, -0.5f}, {0.75f, 0}},          // 1
        {1, 0x100, 0x102, {0.5f, -0.5f}, {0.75f, 0}},          // 2: held
        {1, 0, 0x2, {0.5f, -0.5f}, {0.75f, 0}},                // 3: released, still touching a
        {0, 0, 0, {0, 0}, {0, 0}},                             // 4: disconnected reports nothing
        {0, 0, 0, {0, 0}, {0, 0}},                             // 5: after the timeline
    };
    for (const Expected& e : frames) {
        SCOPED_TRACE("frame " + std::to_string(sim.frame()));
        uint32_t connected = 9;
        uint64_t click = 9;
        uint64_t touch = 9;
        OLVA_Vector2f stick{9, 9};
        OLVA_Vector2f trigger{9, 9};
        ASSERT_EQ(sim.IsConnected(right, &connected), 0);
        ASSERT_EQ(sim.ClickStates(right, joystick, &click), 0);
        ASSERT_EQ(sim.TouchStates(right, joystick, &touch), 0);
        ASSERT_EQ(sim.AnalogState(right, joystick, 9, &stick), 0);
        ASSERT_EQ(sim.AnalogState(right, joystick, 8, &trigger), 0);
        EXPECT_EQ(connected, e.connected);
        EXPECT_EQ(click, e.click);
        EXPECT_EQ(touch, e.touch);
        EXPECT_EQ(stick.x, e.stick.x);
        EXPECT_EQ(stick.y, e.stick.y);
        EXPECT_EQ(trigger.x, e.trigger.x);
        EXPECT_EQ(trigger.y, e.trigger.y);
        sim.AdvanceFrame();
    }
}

TEST(Simulation, AnswersOnlyThePresentDeviceWithItsOwnInputType)
{
    Simulation sim(Parse(R"({"controllers": {"left": "touch", "gamepad": "gamepad"}})"));
    const OLVA_DeviceType left = OLVA_DEVICE_TYPE_LEFT_CONTROLLER;
    const OLVA_DeviceType right = OLVA_DEVICE_TYPE_RIGHT_CONTROLLER;

    uint64_t mask = 0;
    ASSERT_EQ(sim.SupportedDevices(&mask), 0);
    EXPECT_EQ(mask, (uint64_t{1} << 4) | (uint64_t{1} << 13));
    uint64_t inputType = 77;
    EXPECT_EQ(sim.DeviceInputType(left, &inputType), 0);
    EXPECT_EQ(inputType, 2u);
    EXPECT_EQ(sim.DeviceInputType(OLVA_DEVICE_TYPE_GAMEPAD, &inputType), 0);
    EXPECT_EQ(inputType, 4u);
    inputType = 77;
    EXPECT_EQ(sim.DeviceInputType(right, &inputType), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(inputType, 77u);

    uint32_t connected = 5;
    EXPECT_EQ(sim.IsConnected(right, &connected), 0);  // absent: not connected
    EXPECT_EQ(connected, 0u);
    EXPECT_EQ(sim.IsConnected(7, &connected), OLVA_RESULT_INVALID_ARGUMENT);

    // Configuration of the touch controller's analog ids: position 0x8,
    // trigger and grip 0x4; other ids and input types are refused and
    // nothing is written.
    const struct {
        OLVA_DeviceType device;
        OLVA_Device_InputType inputType;
        uint32_t id;
        int32_t result;
        uint64_t configuration;
    } cases[] = {
        {left, 2, 5, 0, 0x8}, {left, 2, 4, 0, 0x4}, {left, 2, 3, 0, 0x4},
        {left, 2, 9, OLVA_RESULT_INVALID_ARGUMENT, 123}, {left, 3, 5, OLVA_RESULT_INVALID_ARGUMENT, 123},
        {left, 1, 5, OLVA_RESULT_INVALID_ARGUMENT, 123}, {right, 2, 5, OLVA_RESULT_INVALID_ARGUMENT, 123},
        {OLVA_DEVICE_TYPE_GAMEPAD, 4, 9, 0, 0x8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("device " + std::to_string(c.device) + " type " + std::to_string(c.inputType) + " id " +
                     std::to_string(c.id));
        uint64_t configuration = 123;
        EXPECT_EQ(sim.InputIdConfiguration(c.device, c.inputType, c.id, &configuration), c.result);
        EXPECT_EQ(configuration, c.configuration);
        OLVA_Vector2f value{3, 3};
        EXPECT_EQ(sim.AnalogState(c.device, c.inputType, c.id, &value), c.result)
            << "the analog read succeeds exactly when the configuration query does";
    }
    EXPECT_EQ(sim.ClickStates(left, 2, nullptr), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(sim.SupportedDevices(nullptr), OLVA_RESULT_INVALID_ARGUMENT);
}
