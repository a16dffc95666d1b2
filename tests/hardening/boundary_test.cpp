// Mistakes at the boundary, as an application and a runtime make them: wrong
// handles, null records, a runtime that throws or calls its own exports, calls
// from exit handlers. Everything goes through the real shared object and the
// real dlopen path; each mistake must give a result code and change nothing.
#include "support/runtime_fixture.h"

#include <olva/olva_framework.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

using olva::test::kFullRuntime;
using olva::test::kPartialRuntime;
using olva::test::RuntimeState;

namespace {

constexpr const char* kManifest = OLVA_FRAME_DATA_DIR "/manifest.json";

// Index of an entry point in the table, for the runtime's control block.
enum class Entry : std::size_t {
#define OLVA_ENTRY(ret, name, params, args, absent) name,
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY
    Count
};

std::size_t IndexOf(Entry entry) { return static_cast<std::size_t>(entry); }

// The 31 edge flags, saved and put back around each test.
struct EdgeFlags {
#define OLVA_EDGE_FLAG_FIELD_(flag) bool flag;
    OLVA_EDGE_FLAGS(OLVA_EDGE_FLAG_FIELD_)
#undef OLVA_EDGE_FLAG_FIELD_

    static EdgeFlags Now()
    {
        EdgeFlags flags{};
#define OLVA_EDGE_FLAG_SAVE_(flag) flags.flag = ::flag;
        OLVA_EDGE_FLAGS(OLVA_EDGE_FLAG_SAVE_)
#undef OLVA_EDGE_FLAG_SAVE_
        return flags;
    }
    void Restore() const
    {
#define OLVA_EDGE_FLAG_RESTORE_(flag) ::flag = flag;
        OLVA_EDGE_FLAGS(OLVA_EDGE_FLAG_RESTORE_)
#undef OLVA_EDGE_FLAG_RESTORE_
    }
    bool operator==(const EdgeFlags& other) const { return std::memcmp(this, &other, sizeof *this) == 0; }
};

// A runtime with both hands as joystick controllers, the frame manifest
// loaded and one update made, so that every handle below is live.
class Boundary : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_flags = EdgeFlags::Now();
        runtime = olva::test::CreateRuntime(kFullRuntime);
        state = olva::test::StateOf(kFullRuntime);
        ASSERT_NE(state, nullptr);
        state->supportedDevices = (1u << OLVA_DEVICE_TYPE_LEFT_CONTROLLER) | (1u << OLVA_DEVICE_TYPE_RIGHT_CONTROLLER);
        for (OLVA_DeviceType hand : {OLVA_DEVICE_TYPE_LEFT_CONTROLLER, OLVA_DEVICE_TYPE_RIGHT_CONTROLLER}) {
            state->devices[hand].inputType = OLVA_INPUT_TYPE_JOYSTICK;
            state->devices[hand].connected = 1;
            state->devices[hand].clickStates = 1u << 8;  // trigger held
            state->devices[hand].idConfiguration[8] = 0x4;
            state->devices[hand].writesAnalog[8] = true;
            state->devices[hand].analog[8] = {0.75f, 0.0f};
        }
        ASSERT_EQ(OLVA_XrActionManifestPath(runtime, kManifest), 0);
        ASSERT_EQ(OLVA_GetXrActionHandle(runtime, "/actions/game/in/fire", &fire), 0);
        ASSERT_EQ(OLVA_GetXrActionHandle(runtime, "/actions/game/in/squeeze", &squeeze), 0);
        ASSERT_EQ(OLVA_GetXrActionSetHandle(runtime, "/actions/game", &actionSet), 0);
        ASSERT_EQ(OLVA_GetXrInputSourceHandle(runtime, "/user/hand/left", &leftHand), 0);
        ASSERT_EQ(OLVA_UpdateXrActionState(runtime, nullptr, 0, 0), 0);
    }

    void TearDown() override
    {
        *state = RuntimeState{};
        m_flags.Restore();
    }

    void* runtime = nullptr;
    RuntimeState* state = nullptr;
    unsigned long fire = 0;
    unsigned long squeeze = 0;
    unsigned long actionSet = 0;
    unsigned long leftHand = 0;

private:
    EdgeFlags m_flags{};
};

// ---- Hostile application calls

enum class Query { Digital, Analog };

}  // namespace

// The handles that are not what they claim, per query. Each gives
// OLVA_RESULT_INVALID_ARGUMENT with the record cleared, and reads nothing
// through the value (valgrind runs these).
TEST_F(Boundary, HostileHandlesAreRefusedAndChangeNothing)
{
    struct Row {
        const char* what;
        unsigned long action;
        unsigned long inputSource;
    };
    for (const Query query : {Query::Digital, Query::Analog}) {
        const unsigned long valid = query == Query::Digital ? fire : squeeze;
        const unsigned long otherKind = query == Query::Digital ? squeeze : fire;  // valid handle, wrong type
        const Row rows[] = {
            {"made-up action", 0xdeadbeef, 0},
            {"action one past a record boundary", valid + 8, 0},
            {"action inside a record", valid + 1, 0},
            {"action set handle as action", actionSet, 0},
            {"input source handle as action", leftHand, 0},
            {"address of the caller's own data as action", reinterpret_cast<unsigned long>(&rows), 0},
            {"all bits set as action", ~0ul, 0},
            {"made-up input source", valid, 0xdeadbeef},
            {"action handle as input source", valid, otherKind},
            {"action set handle as input source", valid, actionSet},
            {"input source one byte off", valid, leftHand + 1},
        };
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(query == Query::Digital ? "digital: " : "analog: ") + row.what);
            const EdgeFlags flagsBefore = EdgeFlags::Now();
            const uint32_t callsBefore = state->logSize;
            int32_t result = 0;
            if (query == Query::Digital) {
                OLVA_XrInputDigitalActionData data;
                std::memset(&data, 0xAB, sizeof data);
                result = OLVA_GetXrActionDigitalData(runtime, row.action, &data, 0, row.inputSource);
                EXPECT_EQ(data.isActive, 0);
                EXPECT_EQ(data.inputSource, 0u);
                EXPECT_EQ(data.currentState, 0);
                EXPECT_EQ(data.time, 0);
            } else {
                OLVA_XrInputAnalogActionData data;
                std::memset(&data, 0xAB, sizeof data);
                result = OLVA_GetXrActionAnalogData(runtime, row.action, &data, 0, row.inputSource);
                EXPECT_EQ(data.isActive, 0);
                EXPECT_EQ(data.inputSource, 0u);
                EXPECT_EQ(data.x, 0.0f);
                EXPECT_EQ(data.time, 0);
            }
            EXPECT_EQ(result, OLVA_RESULT_INVALID_ARGUMENT);
            EXPECT_TRUE(EdgeFlags::Now() == flagsBefore);
            EXPECT_EQ(state->logSize, callsBefore);  // no runtime call either
        }
    }

    // And the valid handles still answer as before.
    OLVA_XrInputDigitalActionData digital{};
    EXPECT_EQ(OLVA_GetXrActionDigitalData(runtime, fire, &digital, 0, 0), 0);
    EXPECT_EQ(digital.isActive, 1);
    OLVA_XrInputAnalogActionData analog{};
    EXPECT_EQ(OLVA_GetXrActionAnalogData(runtime, squeeze, &analog, 0, leftHand), 0);
    EXPECT_EQ(analog.x, 0.75f);
    // An input source the library issued that is neither hand of the action
    // answers as for both hands, as it always has.
    unsigned long head = 0;
    ASSERT_EQ(OLVA_GetXrInputSourceHandle(runtime, "/user/head", &head), 0);
    EXPECT_EQ(OLVA_GetXrActionAnalogData(runtime, squeeze, &analog, 0, head), 0);
    EXPECT_EQ(analog.isActive, 1);
}

TEST_F(Boundary, NullRecordsAreRefusedWithoutTouchingLoaderOrRuntime)
{
    const uint32_t createsBefore = state->calls[IndexOf(Entry::OLVA_CreateRuntime)];
    void* created = reinterpret_cast<void*>(0x1);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(OLVA_CreateRuntime(nullptr, &created), OLVA_RESULT_INVALID_ARGUMENT);
    const OLVA_RuntimeCreateInfo noText = {nullptr};
    EXPECT_EQ(OLVA_CreateRuntime(&noText, &created), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");  // no banner: the loader was not called

    EXPECT_EQ(created, reinterpret_cast<void*>(0x1));
    EXPECT_EQ(state->calls[IndexOf(Entry::OLVA_CreateRuntime)], createsBefore);
    // The loaded runtime is still the one forwarded to.
    EXPECT_EQ(OLVA_WaitFrame(runtime, nullptr), 0);
    EXPECT_EQ(state->calls[IndexOf(Entry::OLVA_WaitFrame)], 1u);

    void* feature = nullptr;
    EXPECT_EQ(OLVA_StartXrFeature(runtime, nullptr, &feature), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(state->calls[IndexOf(Entry::OLVA_StartXrFeature)], 0u);
    EXPECT_EQ(state->calls[IndexOf(Entry::OLVA_GetSupportedXrFeatures)], 0u);
}

// ---- Hostile runtime behaviour

namespace {

// Calls an entry point with every argument zero, and returns its result
// widened (0 for the one without a result).
template <typename Ret, typename... Args>
int64_t CallZeroed(Ret (*function)(Args...))
{
    if constexpr (std::is_void_v<Ret>) {
        function(Args{}...);
        return 0;
    } else {
        return static_cast<int64_t>(function(Args{}...));
    }
}

template <typename Ret>
int64_t FailureOf()
{
    if constexpr (std::is_void_v<Ret>) {
        return 0;
    } else if constexpr (std::is_same_v<Ret, bool>) {
        return 0;
    } else {
        return OLVA_RESULT_RUNTIME_FAILURE;
    }
}

struct ForwardedCall {
    const char* name;
    Entry entry;
    int64_t (*call)();
    int64_t failure;
};

const ForwardedCall kForwardedCalls[] = {
#define OLVA_ENTRY(ret, name, params, args, absent) \
    {#name, Entry::name, [] { return CallZeroed(&name); }, FailureOf<ret>()},
#define OLVA_ENTRY_SPECIAL(ret, name, params, args, absent) /* need records: tested on their own */
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY_SPECIAL
#undef OLVA_ENTRY
};

}  // namespace

// Every forwarded function, every family: a runtime that throws gets
// OLVA_RESULT_RUNTIME_FAILURE (false, nothing) and the exception never
// reaches the application.
TEST_F(Boundary, RuntimeExceptionsStayInTheLibrary)
{
    for (const ForwardedCall& forwarded : kForwardedCalls) {
        SCOPED_TRACE(forwarded.name);
        const uint32_t callsBefore = state->calls[IndexOf(forwarded.entry)];
        state->throws[IndexOf(forwarded.entry)] = true;
        int64_t result = 1;
        EXPECT_NO_THROW(result = forwarded.call());
        EXPECT_EQ(result, forwarded.failure);
        EXPECT_EQ(state->calls[IndexOf(forwarded.entry)], callsBefore + 1);  // it did reach the runtime
        state->throws[IndexOf(forwarded.entry)] = false;
    }

    OLVA_XrFeatureStartInfo start = {1, 7, nullptr};
    void* feature = nullptr;
    state->throws[IndexOf(Entry::OLVA_StartXrFeature)] = true;
    EXPECT_EQ(OLVA_StartXrFeature(runtime, &start, &feature), OLVA_RESULT_RUNTIME_FAILURE);
    state->throws[IndexOf(Entry::OLVA_StartXrFeature)] = false;

    // A throwing feature query reads as "no features": the request goes on unchanged.
    state->throws[IndexOf(Entry::OLVA_GetSupportedXrFeatures)] = true;
    start.feature = OLVA_XR_FEATURE_ANY_SUPPORTED;
    EXPECT_EQ(OLVA_StartXrFeature(runtime, &start, &feature), 0);
    EXPECT_EQ(state->lastStartInfo.feature, OLVA_XR_FEATURE_ANY_SUPPORTED);
}

TEST_F(Boundary, ThrowingCreateRuntimeIsARuntimeFailure)
{
    const std::string config = olva::test::ConfigFor(kFullRuntime);
    const OLVA_RuntimeCreateInfo info = {config.c_str()};
    state->throws[IndexOf(Entry::OLVA_CreateRuntime)] = true;
    void* created = nullptr;
    int32_t result = 0;
    ::testing::internal::CaptureStderr();
    EXPECT_NO_THROW(result = OLVA_CreateRuntime(&info, &created));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, OLVA_RESULT_RUNTIME_FAILURE);
    // The loader's own failures still leave as their documented types.
    const OLVA_RuntimeCreateInfo bad = {"{\"olvaruntimepath\": 1}"};
    ::testing::internal::CaptureStderr();
    EXPECT_THROW(OLVA_CreateRuntime(&bad, &created), const char*);
    ::testing::internal::GetCapturedStderr();
}

TEST_F(Boundary, ThrowingDeviceQueryFailsTheLoadLikeAnyFailure)
{
    state->throws[IndexOf(Entry::OLVA_GetSupportedDevices)] = true;
    EXPECT_EQ(OLVA_XrActionManifestPath(runtime, kManifest), OLVA_RESULT_RUNTIME_FAILURE);
    state->throws[IndexOf(Entry::OLVA_GetSupportedDevices)] = false;

    // A throwing input type query reads as a runtime that wrote nothing.
    state->throws[IndexOf(Entry::OLVA_GetSupportedDeviceInputType)] = true;
    EXPECT_EQ(OLVA_XrActionManifestPath(runtime, kManifest), 0);
}

// A poll call that throws is a failed call: the update still succeeds and
// stores what a failed call leaves (no click mask, the analog slot kept).
TEST_F(Boundary, ThrowingPollCallsReadAsFailedCalls)
{
    struct Row {
        const char* name;
        Entry entry;
        uint8_t fireOn;  // left trigger click, held in the runtime
        float squeeze;   // left trigger value: 0.75 before, 0.25 now in the runtime
    };
    const Row rows[] = {
        {"connection", Entry::OLVA_IsDeviceConnected, 1, 0.25f},
        {"click mask", Entry::OLVA_GetInputClickStates, 0, 0.25f},
        {"touch mask", Entry::OLVA_GetInputTouchStates, 1, 0.25f},
        {"id configuration", Entry::OLVA_GetInputIdConfiguration, 1, 0.75f},
        {"analog value", Entry::OLVA_GetInputAnalogState, 1, 0.75f},
    };
    OLVA_Vector2f& leftTrigger = state->devices[OLVA_DEVICE_TYPE_LEFT_CONTROLLER].analog[8];
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        leftTrigger = {0.75f, 0.0f};
        ASSERT_EQ(OLVA_UpdateXrActionState(runtime, nullptr, 0, 0), 0);
        ASSERT_EQ(OLVA_UpdateXrActionState(runtime, nullptr, 0, 0), 0);

        leftTrigger = {0.25f, 0.0f};
        state->throws[IndexOf(row.entry)] = true;
        EXPECT_EQ(OLVA_UpdateXrActionState(runtime, nullptr, 0, 0), 0);
        state->throws[IndexOf(row.entry)] = false;

        OLVA_XrInputDigitalActionData digital{};
        EXPECT_EQ(OLVA_GetXrActionDigitalData(runtime, fire, &digital, 0, leftHand), 0);
        EXPECT_EQ(digital.currentState, row.fireOn);
        OLVA_XrInputAnalogActionData analog{};
        EXPECT_EQ(OLVA_GetXrActionAnalogData(runtime, squeeze, &analog, 0, leftHand), 0);
        EXPECT_EQ(analog.x, row.squeeze);
    }
}

// A runtime linked as the runtime guide says (-Bsymbolic) reaches itself
// when it calls its own exported name, even with libolva_framework loaded
// and pointing at another runtime.
TEST_F(Boundary, RuntimeCallingItsOwnExportReachesItself)
{
    olva::test::CreateRuntime(kPartialRuntime);
    RuntimeState* partial = olva::test::StateOf(kPartialRuntime);
    ASSERT_NE(partial, nullptr);

    void* full = dlopen(kFullRuntime, RTLD_NOW);
    ASSERT_NE(full, nullptr);
    auto fromInside = reinterpret_cast<olva::test::PFN_olva_test_runtime_wait_frame_from_inside>(
        dlsym(full, "olva_test_runtime_wait_frame_from_inside"));
    ASSERT_NE(fromInside, nullptr);
    state->results[IndexOf(Entry::OLVA_WaitFrame)] = 42;

    EXPECT_EQ(fromInside(nullptr), 42);
    EXPECT_EQ(state->calls[IndexOf(Entry::OLVA_WaitFrame)], 1u);
    EXPECT_EQ(partial->calls[IndexOf(Entry::OLVA_WaitFrame)], 0u);
    dlclose(full);
}
