// The capture layer loaded as an application's library would load it, with
// the test runtime (or the simulated one) as the real runtime: bad
// configurations, forwarding of every entry point, what is recorded, and
// one recorded runtime at a time.
#include "support/elf_symbols.h"
#include "capture_format.h"
#include "loader/entry_point_index.h"
#include "runtime/test_runtime.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <elf.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace olva::capture;
using olva::EntryPoint;

const std::string kLayer = OLVA_CAPTURE_LAYER;
const std::string kTestRuntime = OLVA_TEST_RUNTIME_FULL;
const std::string kSimRuntime = OLVA_SIM_RUNTIME;
const std::string kThrowingRuntime = OLVA_THROWING_RUNTIME;
const std::string kFramework = OLVA_FRAMEWORK_SO;
const std::string kScenario = OLVA_SIM_SCENARIO;
const std::string kWork = OLVA_TEST_WORK_DIR;

constexpr const char* kNames[] = {
#define OLVA_ENTRY(ret, name, params, args, absent) #name,
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY
};

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Config(const std::string& runtime, const std::string& file, const std::string& extra = "")
{
    return "{\"capture\": {\"runtime\": " + Quoted(runtime) + ", \"file\": " + Quoted(file) + "}" + extra + "}";
}


TEST(CaptureLayerModule, ExportsExactlyTheRuntimeFunctions)
{
    EXPECT_EQ(olva::test::DefinedDynamicSymbols(kLayer), std::set<std::string>(std::begin(kNames), std::end(kNames)));
}

class CaptureLayer : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_layer = dlopen(kLayer.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_layer, nullptr) << dlerror();
        m_testRuntime = dlopen(kTestRuntime.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_testRuntime, nullptr) << dlerror();
        state = reinterpret_cast<olva::test::PFN_olva_test_runtime_state>(
            dlsym(m_testRuntime, "olva_test_runtime_state"))();
        *state = olva::test::RuntimeState{};
        file = kWork + "/capture_layer_test_" + std::to_string(::getpid()) + ".txt";
    }

    void TearDown() override
    {
        // The layer records one runtime at a time: leave none behind.
        if (runtime != nullptr) {
            Fn<olva::PFN_OLVA_DestroyRuntime>("OLVA_DestroyRuntime")(runtime);
        }
        std::remove(file.c_str());
        *state = olva::test::RuntimeState{};
        dlclose(m_testRuntime);
        dlclose(m_layer);
    }

    template <typename Pfn>
    Pfn Fn(const char* name)
    {
        return reinterpret_cast<Pfn>(dlsym(m_layer, name));
    }

    int32_t Create(const std::string& config, void** out)
    {
        const OLVA_RuntimeCreateInfo info = {config.c_str()};
        return Fn<olva::PFN_OLVA_CreateRuntime>("OLVA_CreateRuntime")(&info, out);
    }

    Capture ReadBack()
    {
        Capture capture;
        std::string error;
        EXPECT_TRUE(ReadCaptureFile(file, capture, error)) << error;
        return capture;
    }

    olva::test::RuntimeState* state = nullptr;
    void* runtime = nullptr;
    std::string file;

private:
    void* m_layer = nullptr;
    void* m_testRuntime = nullptr;
};

// One bad configuration per row: a nonzero result, nothing recorded, and
// exactly one line on standard error that names the problem.
TEST_F(CaptureLayer, BadConfigurationsGiveOneLineAndAResult)
{
    struct Row {
        const char* what;
        std::string config;
        std::string message;
    };
    const std::string missingDir = "/nonexistent-capture-dir/session.txt";
    const Row rows[] = {
        {"not JSON", "{capture", "the configuration is not JSON"},
        {"not an object", "[1]", "not a JSON object"},
        {"no capture key", "{\"olvaruntimepath\": \"x\"}", "has no \"capture\" object"},
        {"unknown key", "{\"capture\": {\"runtime\": \"a\", \"file\": \"b\", \"rate\": \"c\"}}",
         "unknown key \"capture.rate\""},
        {"runtime not a string", "{\"capture\": {\"runtime\": 1, \"file\": \"b\"}}", "must be a non-empty string"},
        {"no file", "{\"capture\": {\"runtime\": \"a\"}}", "\"capture.file\" is missing"},
        {"missing runtime", Config("/nonexistent/libno_runtime.so", file),
         "cannot open the runtime library '/nonexistent/libno_runtime.so': "},
        {"the layer itself", Config(kLayer, file), "is the capture layer itself"},
        {"file in a missing folder", Config(kTestRuntime, missingDir),
         "cannot create the capture file '" + missingDir + "': No such file or directory"},
        {"file that takes no data", Config(kTestRuntime, "/dev/full"),
         "cannot write the capture file '/dev/full': No space left on device"},
        {"a scenario named as the capture file", Config(kTestRuntime, kScenario),
         "'" + kScenario + "' exists and is not a capture; not overwritten"},
        {"libolva_framework named as the real runtime",
         Config(kFramework, file, ", \"olvaruntimepath\": " + Quoted(kLayer)),
         "created its runtime through the capture layer again"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ::testing::internal::CaptureStderr();
        void* created = nullptr;
        const int32_t result = Create(row.config, &created);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(result, 0);
        EXPECT_EQ(created, nullptr);
        // One line of the layer's (libolva_framework, when loaded, logs its
        // own banner).
        std::istringstream lines(err);
        std::string line;
        int layerLines = 0;
        while (std::getline(lines, line)) {
            if (line.rfind("olva_capture: ", 0) == 0) {
                ++layerLines;
                EXPECT_NE(line.find(row.message), std::string::npos) << line;
            }
        }
        EXPECT_EQ(layerLines, 1) << err;
    }
    EXPECT_EQ(state->calls[static_cast<std::size_t>(EntryPoint::OLVA_CreateRuntime)], 0u);
    EXPECT_EQ(Fn<olva::PFN_OLVA_CreateRuntime>("OLVA_CreateRuntime")(nullptr, &runtime), OLVA_RESULT_INVALID_ARGUMENT);
    const OLVA_RuntimeCreateInfo noText = {nullptr};
    EXPECT_EQ(Fn<olva::PFN_OLVA_CreateRuntime>("OLVA_CreateRuntime")(&noText, &runtime), OLVA_RESULT_INVALID_ARGUMENT);
}

// Calls fn with zero for every argument and returns its result as 64 bits.
template <typename Ret, typename... Args>
int64_t CallWithZeros(Ret (*fn)(Args...))
{
    if constexpr (std::is_void_v<Ret>) {
        fn(Args{}...);
        return 0;
    } else {
        return static_cast<int64_t>(fn(Args{}...));
    }
}

TEST_F(CaptureLayer, ForwardsEveryEntryPointAndItsResult)
{
    ASSERT_EQ(Create(Config(kTestRuntime, file), &runtime), 0);
    state->recordOnly = true;  // null outputs below: write through none
    for (std::size_t i = 0; i < olva::kEntryPointCount; ++i) {
        state->results[i] = 100 + static_cast<int64_t>(i);
    }
    std::size_t index = 0;
#define OLVA_ENTRY(ret, name, params, args, absent)                                                      \
    if (EntryPoint::name != EntryPoint::OLVA_CreateRuntime) {                                            \
        SCOPED_TRACE(#name);                                                                             \
        const int64_t result = CallWithZeros(Fn<olva::PFN_##name>(#name));                               \
        EXPECT_EQ(state->calls[index], 1u);                                                              \
        if constexpr (std::is_same_v<ret, int32_t>) {                                                    \
            EXPECT_EQ(result, 100 + static_cast<int64_t>(index));                                        \
        } else if constexpr (std::is_same_v<ret, bool>) {                                                \
            EXPECT_EQ(result, 1);                                                                        \
        }                                                                                                \
    }                                                                                                    \
    ++index;
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY
    // Arguments arrive unchanged, floats included.
    OLVA_Vector2f vector{};
    Fn<olva::PFN_OLVA_GetInputAnalogState>("OLVA_GetInputAnalogState")(runtime, 4, 3, 9, &vector);
    const auto* args = state->lastArgs[static_cast<std::size_t>(EntryPoint::OLVA_GetInputAnalogState)];
    EXPECT_EQ(args[0], olva::test::ArgBits(runtime));
    EXPECT_EQ(args[1], 4u);
    EXPECT_EQ(args[2], 3u);
    EXPECT_EQ(args[3], 9u);
    EXPECT_EQ(args[4], olva::test::ArgBits(&vector));
    Fn<olva::PFN_OLVA_ResetOrientationAndPosition>("OLVA_ResetOrientationAndPosition")(runtime, -1.5f);
    EXPECT_EQ(state->lastArgs[static_cast<std::size_t>(EntryPoint::OLVA_ResetOrientationAndPosition)][1],
              olva::test::ArgBits(-1.5f));
}

TEST_F(CaptureLayer, FunctionsTheRealRuntimeLacksGiveTheirAbsentResult)
{
    ASSERT_EQ(Create(Config(kSimRuntime, file, ", \"simulation\": " + Quoted(kScenario)), &runtime), 0);
    EXPECT_EQ(Fn<olva::PFN_OLVA_GetDisplay>("OLVA_GetDisplay")(runtime, 0, nullptr), OLVA_RESULT_UNSUPPORTED);
    EXPECT_FALSE(Fn<olva::PFN_OLVA_SetPerformanceLevels>("OLVA_SetPerformanceLevels")(runtime, 1, 1));
    Fn<olva::PFN_OLVA_ReleaseControllerModelData>("OLVA_ReleaseControllerModelData")(runtime, nullptr);
    EXPECT_EQ(Fn<olva::PFN_OLVA_SetSystemSetting>("OLVA_SetSystemSetting")(runtime, 1), OLVA_RESULT_UNSUPPORTED);
}

TEST_F(CaptureLayer, ExceptionsOfTheRealRuntimeBecomeFailureResults)
{
    ASSERT_EQ(Create(Config(kThrowingRuntime, file), &runtime), 0);
    uint64_t mask = 0;
    EXPECT_EQ(Fn<olva::PFN_OLVA_GetInputClickStates>("OLVA_GetInputClickStates")(runtime, 3, 3, &mask),
              OLVA_RESULT_RUNTIME_FAILURE);
    EXPECT_FALSE(Fn<olva::PFN_OLVA_SetPerformanceLevels>("OLVA_SetPerformanceLevels")(runtime, 1, 1));
    Fn<olva::PFN_OLVA_ReleaseControllerModelData>("OLVA_ReleaseControllerModelData")(runtime, nullptr);
    EXPECT_EQ(Fn<olva::PFN_OLVA_WaitFrame>("OLVA_WaitFrame")(runtime, nullptr), OLVA_RESULT_RUNTIME_FAILURE);
    // What the application saw is what the capture says.
    const Capture capture = ReadBack();
    ASSERT_EQ(capture.frames.size(), 1u);
    EXPECT_EQ(capture.frames[0].waitResult, OLVA_RESULT_RUNTIME_FAILURE);
    ASSERT_EQ(capture.frames[0].entryCount, 1u);
    EXPECT_EQ(capture.entries[0].answer.result, OLVA_RESULT_RUNTIME_FAILURE);
    EXPECT_FALSE(capture.entries[0].answer.written);
}

TEST_F(CaptureLayer, RecordsAnswersResultsAndFrames)
{
    olva::test::RuntimeDevice& right = state->devices[OLVA_DEVICE_TYPE_RIGHT_CONTROLLER];
    right.connected = 1;
    right.clickStates = 0x100;
    right.analog[8] = {0.5f, -0.0f};
    right.writesAnalog[8] = true;
    state->supportedDevices = 0x8;
    ASSERT_EQ(Create(Config(kTestRuntime, file), &runtime), 0);
    const auto devices = Fn<olva::PFN_OLVA_GetSupportedDevices>("OLVA_GetSupportedDevices");
    const auto connected = Fn<olva::PFN_OLVA_IsDeviceConnected>("OLVA_IsDeviceConnected");
    const auto click = Fn<olva::PFN_OLVA_GetInputClickStates>("OLVA_GetInputClickStates");
    const auto analog = Fn<olva::PFN_OLVA_GetInputAnalogState>("OLVA_GetInputAnalogState");
    const auto wait = Fn<olva::PFN_OLVA_WaitFrame>("OLVA_WaitFrame");

    uint64_t mask = 0;
    EXPECT_EQ(devices(runtime, &mask), 0);
    EXPECT_EQ(wait(runtime, nullptr), 0);  // frame 0 ends

    uint32_t flag = 0;
    uint64_t clicks = 0;
    OLVA_Vector2f trigger{};
    OLVA_Vector2f stick{7.0f, 7.0f};
    connected(runtime, 3, &flag);
    click(runtime, 3, 3, &clicks);
    analog(runtime, 3, 3, 8, &trigger);
    right.analogResult[9] = -5;
    analog(runtime, 3, 3, 9, &stick);  // fails and leaves the vector alone
    state->recordOnly = true;  // the test runtime would write through the null output
    EXPECT_EQ(click(runtime, 3, 3, nullptr), 0);  // no output: forwarded, not recorded
    state->recordOnly = false;
    uint64_t other = 0;
    click(&other, 3, 3, &other);  // another runtime handle: not recorded
    state->results[static_cast<std::size_t>(EntryPoint::OLVA_WaitFrame)] = -11;
    EXPECT_EQ(wait(runtime, nullptr), -11);  // frame 1 ends with that result

    EXPECT_EQ(Fn<olva::PFN_OLVA_DestroyRuntime>("OLVA_DestroyRuntime")(runtime), 0);
    runtime = nullptr;

    const Capture capture = ReadBack();
    ASSERT_EQ(capture.frames.size(), 3u);
    EXPECT_TRUE(capture.problems.empty());
    EXPECT_NE(capture.header.find("\"runtime\":\"" + kTestRuntime + "\""), std::string::npos) << capture.header;
    EXPECT_EQ(capture.frames[0].waitResult, 0);
    EXPECT_EQ(capture.frames[1].waitResult, -11);
    EXPECT_FALSE(capture.frames[2].waitResult.has_value());  // ended by OLVA_DestroyRuntime
    AnswerState answers;
    answers.Apply(capture, capture.frames[0]);
    answers.Apply(capture, capture.frames[1]);
    EXPECT_EQ(answers.entries().size(), 5u);
    EXPECT_EQ(answers.Find({Call::SupportedDevices, 0, 0, 0})->value, 0x8u);
    EXPECT_EQ(answers.Find({Call::Connected, 3, 0, 0})->value, 1u);
    EXPECT_EQ(answers.Find({Call::ClickStates, 3, 3, 0})->value, 0x100u);
    Answer expected;
    expected.written = true;
    expected.vector = {0.5f, -0.0f};
    EXPECT_TRUE(*answers.Find({Call::AnalogState, 3, 3, 8}) == expected);
    expected = Answer{};
    expected.result = -5;
    EXPECT_TRUE(*answers.Find({Call::AnalogState, 3, 3, 9}) == expected);
}

// An application that exits without destroying its runtime: the layer's
// exit-time destructor writes the frame in progress, ended with "end".
TEST_F(CaptureLayer, ExitWithoutDestroyingWritesTheFrameInProgress)
{
    state->devices[3].clickStates = 0x2;
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        void* created = nullptr;
        if (Create(Config(kTestRuntime, file), &created) != 0) {
            ::_exit(2);
        }
        const auto click = Fn<olva::PFN_OLVA_GetInputClickStates>("OLVA_GetInputClickStates");
        uint64_t mask = 0;
        click(created, 3, 3, &mask);
        Fn<olva::PFN_OLVA_WaitFrame>("OLVA_WaitFrame")(created, nullptr);
        state->devices[3].clickStates = 0x4;
        click(created, 3, 3, &mask);
        std::exit(0);  // runs exit-time destructors, as an application's return from main does
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const Capture capture = ReadBack();
    ASSERT_EQ(capture.frames.size(), 2u);
    EXPECT_EQ(capture.frames[0].waitResult, 0);
    EXPECT_FALSE(capture.frames[1].waitResult.has_value());
    ASSERT_EQ(capture.frames[1].entryCount, 1u);
    EXPECT_EQ(capture.entries[capture.frames[1].firstEntry].answer.value, 0x4u);
}

TEST_F(CaptureLayer, RecordsOneRuntimeAtATime)
{
    ASSERT_EQ(Create(Config(kTestRuntime, file), &runtime), 0);
    ::testing::internal::CaptureStderr();
    void* second = nullptr;
    EXPECT_EQ(Create(Config(kTestRuntime, file + ".second"), &second), OLVA_RESULT_INVALID_ARGUMENT);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("already being recorded to '" + file + "'"), std::string::npos) << err;
    EXPECT_EQ(second, nullptr);
    EXPECT_NE(access((file + ".second").c_str(), F_OK), 0);

    // After the first is destroyed, a new runtime starts a new capture.
    Fn<olva::PFN_OLVA_DestroyRuntime>("OLVA_DestroyRuntime")(runtime);
    runtime = nullptr;
    ASSERT_EQ(Create(Config(kTestRuntime, file), &runtime), 0);
    Fn<olva::PFN_OLVA_WaitFrame>("OLVA_WaitFrame")(runtime, nullptr);
    const Capture capture = ReadBack();
    ASSERT_EQ(capture.frames.size(), 1u);
    EXPECT_EQ(capture.frames[0].waitResult, 0);
}

}  // namespace
