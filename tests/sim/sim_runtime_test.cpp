// The simulated runtime reached the way applications reach it: through the
// library's OLVA_CreateRuntime and forwarding entry points.
#include "implemented_entry_points.h"

#include "loader/olva_framework.h"

#include <olva/olva_framework.h>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const std::string kSim = OLVA_SIM_RUNTIME;
const std::string kDataDir = OLVA_SIM_TEST_DATA_DIR;

std::string ConfigWith(const std::string& simulation)
{
    return R"({"olvaruntimepath": ")" + kSim + R"(", "simulation": )" + simulation + "}";
}

std::string FileConfig(const std::string& name) { return ConfigWith("\"" + kDataDir + "/" + name + "\""); }

int32_t Create(const std::string& config, void** runtime)
{
    const OLVA_RuntimeCreateInfo info = {config.c_str()};
    return OLVA_CreateRuntime(&info, runtime);
}

void* CreateOrFail(const std::string& config)
{
    void* runtime = nullptr;
    EXPECT_EQ(Create(config, &runtime), 0);
    EXPECT_NE(runtime, nullptr);
    return runtime;
}

// Everything the input system asks of one hand in one frame.
struct HandAnswers {
    uint32_t connected = 0;
    uint64_t click = 0;
    uint64_t touch = 0;
    uint64_t configuration[3] = {};
    OLVA_Vector2f analog[3] = {};

    bool operator==(const HandAnswers& o) const
    {
        return connected == o.connected && click == o.click && touch == o.touch &&
               std::equal(configuration, configuration + 3, o.configuration) &&
               std::equal(analog, analog + 3, o.analog, [](const OLVA_Vector2f& a, const OLVA_Vector2f& b) {
                   return a.x == b.x && a.y == b.y;
               });
    }
};

HandAnswers Ask(void* runtime, OLVA_DeviceType device, OLVA_Device_InputType inputType)
{
    HandAnswers a;
    EXPECT_EQ(OLVA_IsDeviceConnected(runtime, device, &a.connected), 0);
    EXPECT_EQ(OLVA_GetInputClickStates(runtime, device, inputType, &a.click), 0);
    EXPECT_EQ(OLVA_GetInputTouchStates(runtime, device, inputType, &a.touch), 0);
    const uint32_t ids[3] = {inputType == OLVA_INPUT_TYPE_TOUCH ? 5u : 9u, inputType == OLVA_INPUT_TYPE_TOUCH ? 4u : 8u,
                             inputType == OLVA_INPUT_TYPE_TOUCH ? 3u : 7u};
    for (int slot = 0; slot < 3; ++slot) {
        EXPECT_EQ(OLVA_GetInputIdConfiguration(runtime, device, inputType, ids[slot], &a.configuration[slot]), 0);
        EXPECT_EQ(OLVA_GetInputAnalogState(runtime, device, inputType, ids[slot], &a.analog[slot]), 0);
    }
    return a;
}

}  // namespace

TEST(SimRuntime, ExportsExactlyTheFunctionsItImplements)
{
    void* module = dlopen(kSim.c_str(), RTLD_NOW);
    ASSERT_NE(module, nullptr) << dlerror();
    const auto& implemented = olva::sim::kImplementedEntryPoints;
    for (std::size_t i = 0; i < g_funVec.size(); ++i) {
        SCOPED_TRACE(g_funVec[i]);
        const bool expected =
            std::find(std::begin(implemented), std::end(implemented), g_funVec[i]) != std::end(implemented);
        EXPECT_EQ(dlsym(module, g_funVec[i].c_str()) != nullptr, expected);
    }
    dlclose(module);

    // What it leaves out, the library answers honestly as unsupported.
    void* runtime = CreateOrFail(FileConfig("two_hands.json"));
    EXPECT_EQ(OLVA_GetRuntimeProperties(runtime, nullptr), OLVA_RESULT_UNSUPPORTED);
    EXPECT_EQ(OLVA_SubmitFrame(runtime, nullptr), OLVA_RESULT_UNSUPPORTED);
    EXPECT_FALSE(OLVA_SetPerformanceLevels(runtime, 1, 1));
}

TEST(SimRuntime, CreationFailsWithOneClearLineForABadConfiguration)
{
    const struct {
        std::string config;
        std::string message;
    } cases[] = {
        {R"({"olvaruntimepath": ")" + kSim + R"("})", "configuration: missing key \"simulation\""},
        {ConfigWith("5"), "configuration: \"simulation\" must be a scenario file name or a scenario object"},
        {FileConfig("missing.json"), "/missing.json: cannot open the scenario file"},
        {FileConfig("unknown_control.json"),
         "/unknown_control.json: timeline[0].right.pressed[0]: unknown control \"trgger\""},
        {ConfigWith(R"({"controllers": {"right": "pad"}})"),
         "scenario in the configuration's \"simulation\": controllers.right: unknown controller kind \"pad\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.config);
        void* runtime = &runtime;
        testing::internal::CaptureStderr();
        const int32_t result = Create(c.config, &runtime);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(result, 0);
        EXPECT_EQ(runtime, &runtime) << "no handle on failure";
        // One line of the simulator's own (the library logs its banner too).
        const auto line = err.find("olva_sim_runtime: ");
        ASSERT_NE(line, std::string::npos) << err;
        EXPECT_EQ(err.find("olva_sim_runtime: ", line + 1), std::string::npos) << err;
        EXPECT_NE(err.substr(line, err.find('\n', line) - line).find(c.message), std::string::npos) << err;
    }
}

TEST(SimRuntime, ChecksRuntimeHandles)
{
    void* first = CreateOrFail(FileConfig("two_hands.json"));
    void* second = CreateOrFail(FileConfig("two_hands.json"));
    ASSERT_NE(first, second);

    int unrelated = 0;
    uint64_t mask = 0;
    EXPECT_EQ(OLVA_WaitFrame(nullptr, nullptr), OLVA_RESULT_INVALID_RUNTIME);
    EXPECT_EQ(OLVA_WaitFrame(&unrelated, nullptr), OLVA_RESULT_INVALID_RUNTIME);
    EXPECT_EQ(OLVA_GetSupportedDevices(&unrelated, &mask), OLVA_RESULT_INVALID_RUNTIME);

    EXPECT_EQ(OLVA_DestroyRuntime(first), 0);
    EXPECT_EQ(OLVA_DestroyRuntime(first), OLVA_RESULT_INVALID_RUNTIME);
    EXPECT_EQ(OLVA_WaitFrame(first, nullptr), OLVA_RESULT_INVALID_RUNTIME);
    EXPECT_EQ(OLVA_WaitFrame(second, nullptr), 0);
    EXPECT_EQ(OLVA_DestroyRuntime(second), 0);
}

TEST(SimRuntime, AnswersTheInputCallsAsTheInputSystemAsksThem)
{
    // two_hands.json: right joystick controller, left touch controller;
    // frame 0 right trigger pressed at 1.0; frame 2 released at 0.25 and the
    // left stick at (0.5, -0.5).
    void* runtime = CreateOrFail(FileConfig("two_hands.json"));

    uint64_t devices = 0;
    ASSERT_EQ(OLVA_GetSupportedDevices(runtime, &devices), 0);
    EXPECT_EQ(devices, (uint64_t{1} << 3) | (uint64_t{1} << 4));
    uint64_t rightType = 0;
    uint64_t leftType = 0;
    EXPECT_EQ(OLVA_GetSupportedDeviceInputType(runtime, 3, &rightType), 0);
    EXPECT_EQ(OLVA_GetSupportedDeviceInputType(runtime, 4, &leftType), 0);
    EXPECT_EQ(rightType, 3u);
    EXPECT_EQ(leftType, 2u);

    const auto right = [&] { return Ask(runtime, 3, 3); };
    const auto left = [&] { return Ask(runtime, 4, 2); };
    // Position ids configure 0x8, trigger and grip 0x4 (inside 0xC).
    const HandAnswers idleRight{1, 0, 0, {0x8, 0x4, 0x4}, {}};
    const HandAnswers idleLeft{1, 0, 0, {0x8, 0x4, 0x4}, {}};
    EXPECT_TRUE(right() == idleRight) << "before the first frame";

    ASSERT_EQ(OLVA_WaitFrame(runtime, nullptr), 0);  // frame 0
    HandAnswers pressed = idleRight;
    pressed.click = 0x100;
    pressed.touch = 0x100;
    pressed.analog[1] = {1.0f, 0.0f};
    EXPECT_TRUE(right() == pressed);
    EXPECT_TRUE(left() == idleLeft);

    ASSERT_EQ(OLVA_WaitFrame(runtime, nullptr), 0);  // frame 1: held
    EXPECT_TRUE(right() == pressed);

    ASSERT_EQ(OLVA_WaitFrame(runtime, nullptr), 0);  // frame 2
    HandAnswers released = idleRight;
    released.analog[1] = {0.25f, 0.0f};
    EXPECT_TRUE(right() == released);
    HandAnswers deflected = idleLeft;
    deflected.analog[0] = {0.5f, -0.5f};
    EXPECT_TRUE(left() == deflected);
    OLVA_DestroyRuntime(runtime);
}

TEST(SimRuntime, TheSameScenarioGivesTheSameAnswersFrameByFrame)
{
    void* a = CreateOrFail(FileConfig("two_hands.json"));
    void* b = CreateOrFail(FileConfig("two_hands.json"));
    for (int frame = 0; frame < 6; ++frame) {
        SCOPED_TRACE(frame);
        ASSERT_EQ(OLVA_WaitFrame(a, nullptr), 0);
        ASSERT_EQ(OLVA_WaitFrame(b, nullptr), 0);
        EXPECT_TRUE(Ask(a, 3, 3) == Ask(b, 3, 3));
        EXPECT_TRUE(Ask(a, 4, 2) == Ask(b, 4, 2));
    }
}

TEST(SimRuntime, StartsAndStopsTheFeaturesItSupports)
{
    void* runtime = CreateOrFail(ConfigWith(R"({"controllers": {"left": "touch"}, "xr_features": [256, 2]})"));
    uint64_t features = 0;
    ASSERT_EQ(OLVA_GetSupportedXrFeatures(runtime, &features), 0);
    EXPECT_EQ(features, 258u);

    // 0xFFFFFFFF reaches the runtime as 256, which it supports.
    const OLVA_XrFeatureStartInfo any = {0, OLVA_XR_FEATURE_ANY_SUPPORTED, nullptr};
    void* feature = nullptr;
    ASSERT_EQ(OLVA_StartXrFeature(runtime, &any, &feature), 0);
    ASSERT_NE(feature, nullptr);
    void* again = nullptr;
    EXPECT_EQ(OLVA_StartXrFeature(runtime, &any, &again), OLVA_RESULT_INVALID_ARGUMENT) << "already running";

    const OLVA_XrFeatureStartInfo unsupported = {0, 512, nullptr};
    EXPECT_EQ(OLVA_StartXrFeature(runtime, &unsupported, &again), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(again, nullptr);

    EXPECT_EQ(OLVA_StopXrFeature(feature), 0);
    EXPECT_EQ(OLVA_StopXrFeature(feature), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(OLVA_StopXrFeature(&features), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(OLVA_StartXrFeature(runtime, &any, &feature), 0) << "startable again once stopped";
    EXPECT_EQ(OLVA_DestroyRuntime(runtime), 0);
    EXPECT_EQ(OLVA_StopXrFeature(feature), OLVA_RESULT_INVALID_ARGUMENT) << "gone with its runtime";
}
