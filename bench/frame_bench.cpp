// One frame of an application's input: OLVA_UpdateXrActionState with both
// hands (joystick controllers, every analog slot configured) followed by 16
// boolean and 8 analog action queries, all through the exported entry
// points against the test runtime. Reports the time per frame and the heap
// allocations per frame (the target is none).
#include "frame/frame_fixture.h"
#include "runtime/test_runtime.h"
#include "support/counting_allocator.h"

#include <olva/olva_framework.h>

#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>
#include <vector>


namespace {

using olva::input::Hand;
using olva::test::FrameRecords;
using olva::test::HandleOf;

struct FrameScene {
    void* runtime = nullptr;
    olva::test::RuntimeState* state = nullptr;
    std::vector<unsigned long> booleanActions;
    std::vector<unsigned long> analogActions;
};

void Fail(const char* what)
{
    std::fprintf(stderr, "frame bench: %s\n", what);
    std::exit(1);
}

// The runtime's answers for one hand: a joystick controller whose every
// analog input id is configured and readable.
void SetUpController(olva::test::RuntimeDevice& device, float offset)
{
    device.inputType = OLVA_INPUT_TYPE_JOYSTICK;
    device.connected = 1;
    for (std::size_t id = 0; id < olva::test::kMaxInputId; ++id) {
        device.idConfiguration[id] = 0xFF;
        device.writesAnalog[id] = true;
        device.analog[id] = {0.1f * static_cast<float>(id) + offset, 0.5f - offset};
    }
}

const FrameScene& Scene()
{
    static FrameScene scene = [] {
        FrameScene s;
        void* module = dlopen(OLVA_TEST_RUNTIME_FULL, RTLD_NOW);
        if (module == nullptr) {
            Fail("cannot open the test runtime");
        }
        s.state = reinterpret_cast<olva::test::PFN_olva_test_runtime_state>(dlsym(module, "olva_test_runtime_state"))();
        // The forwarding benchmarks may have put the runtime in record-only
        // mode, where it hands out no runtime handle.
        const bool recordOnly = s.state->recordOnly;
        s.state->recordOnly = false;
        const std::string config = std::string(R"({"olvaruntimepath": ")") + OLVA_TEST_RUNTIME_FULL + R"("})";
        const OLVA_RuntimeCreateInfo info = {config.c_str()};
        if (OLVA_CreateRuntime(&info, &s.runtime) != 0 || s.runtime == nullptr) {
            Fail("cannot create the test runtime");
        }
        s.state->recordOnly = recordOnly;
        SetUpController(s.state->devices[OLVA_DEVICE_TYPE_RIGHT_CONTROLLER], 0.0f);
        SetUpController(s.state->devices[OLVA_DEVICE_TYPE_LEFT_CONTROLLER], 0.05f);

        // The records building would make, in the library's own registry.
        olva_input& input = *olva_input::getInstance();
        input.m_deviceInputTypes[OLVA_DEVICE_TYPE_RIGHT_CONTROLLER] = OLVA_INPUT_TYPE_JOYSTICK;
        input.m_deviceInputTypes[OLVA_DEVICE_TYPE_LEFT_CONTROLLER] = OLVA_INPUT_TYPE_JOYSTICK;
        static FrameRecords records(input);

        struct Binding {
            const char* componentPath;
            const char* inputKind;
            const char* mode;
        };
        // 16 boolean actions: a first source on each hand, and a second one
        // on every other action.
        const Binding booleans[16] = {
            {"/input/trigger", "click", ""}, {"/input/trigger", "touch", ""}, {"/input/grip", "click", ""},
            {"/input/joystick", "click", ""}, {"/input/joystick", "touch", ""}, {"/input/joystick", "north", "dpad"},
            {"/input/joystick", "south", "dpad"}, {"/input/joystick", "east", "dpad"},
            {"/input/joystick", "west", "dpad"}, {"/input/a", "click", ""}, {"/input/b", "click", ""},
            {"/input/x", "click", ""}, {"/input/y", "touch", ""}, {"/input/menu", "click", ""},
            {"/input/a", "touch", ""}, {"/input/system", "click", ""},
        };
        for (int i = 0; i < 16; ++i) {
            OLVA_XrAction* action = records.Action("boolean");
            for (Hand hand : {Hand::Right, Hand::Left}) {
                records.Bind(action, hand, booleans[i].componentPath, booleans[i].inputKind, booleans[i].mode);
                if (i % 2 == 1) {
                    const Binding& second = booleans[(i + 5) % 16];
                    records.Bind(action, hand, second.componentPath, second.inputKind, second.mode);
                }
            }
            s.booleanActions.push_back(HandleOf(action));
        }
        const char* analogPaths[8] = {"/input/trigger", "/input/grip",    "/input/joystick", "/input/trackpad",
                                      "/input/trigger", "/input/grip",    "/input/joystick", "/input/trigger"};
        const char* analogTypes[4] = {"single", "vector1", "vector2", "vector3"};
        for (int i = 0; i < 8; ++i) {
            OLVA_XrAction* action = records.Action(analogTypes[i % 4]);
            for (Hand hand : {Hand::Right, Hand::Left}) {
                records.Bind(action, hand, analogPaths[i], "pull");
                if (i % 2 == 1) {
                    records.Bind(action, hand, "/input/trigger", "pull");
                }
            }
            s.analogActions.push_back(HandleOf(action));
        }
        // The first update builds (nothing registered here) and creates
        // nothing more; after it the frame is in its steady state.
        if (OLVA_UpdateXrActionState(s.runtime, nullptr, 0, 0) != 0) {
            Fail("the first update failed");
        }
        return s;
    }();
    return scene;
}

// Presses and releases buttons and moves the sticks from frame to frame, so
// that the queries go through every edge case.
void AnimateController(olva::test::RuntimeState& state, uint64_t frame)
{
    olva::test::RuntimeDevice& right = state.devices[OLVA_DEVICE_TYPE_RIGHT_CONTROLLER];
    olva::test::RuntimeDevice& left = state.devices[OLVA_DEVICE_TYPE_LEFT_CONTROLLER];
    const uint64_t phase = frame % 4;
    right.clickStates = phase < 2 ? 0x3C6 : 0x100;
    right.touchStates = phase == 0 ? 0x31E : 0;
    left.clickStates = phase == 3 ? 0x3DE : 0;
    left.touchStates = phase >= 2 ? 0x11E : 0x200;
    right.analog[9] = phase == 1 ? OLVA_Vector2f{0.6f, 0.6f} : OLVA_Vector2f{-0.2f, -0.9f};
    left.analog[9] = phase == 2 ? OLVA_Vector2f{0.0f, 0.0f} : OLVA_Vector2f{-0.8f, 0.1f};
}

void RunFrame(const FrameScene& scene)
{
    benchmark::DoNotOptimize(OLVA_UpdateXrActionState(scene.runtime, nullptr, 0, 0));
    OLVA_XrInputDigitalActionData digital;
    for (unsigned long action : scene.booleanActions) {
        benchmark::DoNotOptimize(OLVA_GetXrActionDigitalData(scene.runtime, action, &digital, 0, 0));
        benchmark::DoNotOptimize(digital);
    }
    OLVA_XrInputAnalogActionData analog;
    for (unsigned long action : scene.analogActions) {
        benchmark::DoNotOptimize(OLVA_GetXrActionAnalogData(scene.runtime, action, &analog, 0, 0));
        benchmark::DoNotOptimize(analog);
    }
}

void BM_InputFrame(benchmark::State& state)
{
    const FrameScene& scene = Scene();
    const bool recordOnly = scene.state->recordOnly;  // another benchmark may have set it
    scene.state->recordOnly = false;
    RunFrame(scene);  // warm: every lazily made entry exists from here on
    uint64_t frame = 0;
    const uint64_t allocationsBefore = olva::test::AllocationCount();
    for (auto _ : state) {
        AnimateController(*scene.state, frame++);
        scene.state->logSize = 0;  // keep the runtime's call log from filling up
        RunFrame(scene);
    }
    const uint64_t allocations = olva::test::AllocationCount() - allocationsBefore;
    scene.state->recordOnly = recordOnly;
    state.counters["allocs_per_frame"] =
        benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
    state.counters["queries_per_frame"] =
        static_cast<double>(scene.booleanActions.size() + scene.analogActions.size());
}
BENCHMARK(BM_InputFrame);

// The update alone: 18 runtime calls through the forwarding entry points.
void BM_InputUpdateOnly(benchmark::State& state)
{
    const FrameScene& scene = Scene();
    const bool recordOnly = scene.state->recordOnly;
    scene.state->recordOnly = false;
    const uint64_t allocationsBefore = olva::test::AllocationCount();
    for (auto _ : state) {
        scene.state->logSize = 0;
        benchmark::DoNotOptimize(OLVA_UpdateXrActionState(scene.runtime, nullptr, 0, 0));
    }
    state.counters["allocs_per_frame"] = benchmark::Counter(
        static_cast<double>(olva::test::AllocationCount() - allocationsBefore), benchmark::Counter::kAvgIterations);
    scene.state->recordOnly = recordOnly;
}
BENCHMARK(BM_InputUpdateOnly);

// What one reading of the monotonic clock costs here. Every query reports
// the time between two readings around the hand evaluation that produced
// it, so a frame of 24 queries holds at least 48 of them.
void BM_MonotonicClockRead(benchmark::State& state)
{
    timespec now{};
    for (auto _ : state) {
        clock_gettime(CLOCK_MONOTONIC, &now);
        benchmark::DoNotOptimize(now);
    }
}
BENCHMARK(BM_MonotonicClockRead);

}  // namespace
