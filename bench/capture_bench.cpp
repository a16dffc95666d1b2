// The cost of capturing: a call through the capture layer against a direct
// call into the same runtime function (recorded and merely forwarded), the
// per-frame cost of recording, heap allocations per frame (the target is
// none), and the size of an hour of capture at 90 frames a second for the
// bundled scenarios played in a loop and for a busy synthetic session.
#include "capture_format.h"
#include "loader/entry_point_index.h"
#include "runtime/test_runtime.h"
#include "support/counting_allocator.h"
#include "scenario.h"
#include "simulation.h"

#include <olva/olva_framework.h>

#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>


namespace {

using namespace olva::capture;

constexpr double kFramesPerHour = 90.0 * 3600.0;

void Fail(const std::string& what)
{
    std::fprintf(stderr, "capture bench: %s\n", what.c_str());
    std::exit(1);
}

template <typename Fn>
Fn Symbol(void* module, const char* name)
{
    void* address = dlsym(module, name);
    if (address == nullptr) {
        Fail(std::string("no ") + name);
    }
    return reinterpret_cast<Fn>(address);
}

// The test runtime behind the capture layer, recording to /dev/null, both
// opened once.
struct Layered {
    void* testRuntime = nullptr;
    void* layer = nullptr;
    void* runtime = nullptr;
    olva::test::RuntimeState* state = nullptr;
};

Layered& Setup()
{
    static Layered setup = [] {
        Layered s;
        s.testRuntime = dlopen(OLVA_TEST_RUNTIME_FULL, RTLD_NOW);
        s.layer = dlopen(OLVA_CAPTURE_LAYER, RTLD_NOW);
        if (s.testRuntime == nullptr || s.layer == nullptr) {
            Fail(dlerror());
        }
        s.state = Symbol<olva::test::PFN_olva_test_runtime_state>(s.testRuntime, "olva_test_runtime_state")();
        for (int32_t device : {3, 4}) {
            olva::test::RuntimeDevice& d = s.state->devices[device];
            d.inputType = OLVA_INPUT_TYPE_JOYSTICK;
            d.connected = 1;
            for (std::size_t id = 0; id < olva::test::kMaxInputId; ++id) {
                d.idConfiguration[id] = 0x8;
                d.writesAnalog[id] = true;
            }
        }
        const std::string config = std::string("{\"capture\": {\"runtime\": \"") + OLVA_TEST_RUNTIME_FULL +
                                   "\", \"file\": \"/dev/null\"}}";
        const OLVA_RuntimeCreateInfo info = {config.c_str()};
        if (Symbol<olva::PFN_OLVA_CreateRuntime>(s.layer, "OLVA_CreateRuntime")(&info, &s.runtime) != 0) {
            Fail("cannot create the test runtime through the capture layer");
        }
        return s;
    }();
    return setup;
}

void BM_ClickStatesDirect(benchmark::State& state)
{
    Layered& s = Setup();
    const auto fn = Symbol<olva::PFN_OLVA_GetInputClickStates>(s.testRuntime, "OLVA_GetInputClickStates");
    uint64_t mask = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fn(s.runtime, 3, 3, &mask));
    }
}
BENCHMARK(BM_ClickStatesDirect);

// Recorded: the answer is noted in the current frame.
void BM_ClickStatesThroughLayer(benchmark::State& state)
{
    Layered& s = Setup();
    const auto fn = Symbol<olva::PFN_OLVA_GetInputClickStates>(s.layer, "OLVA_GetInputClickStates");
    uint64_t mask = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(fn(s.runtime, 3, 3, &mask));
    }
}
BENCHMARK(BM_ClickStatesThroughLayer);

void BM_GetDisplayDirect(benchmark::State& state)
{
    Layered& s = Setup();
    const auto fn = Symbol<olva::PFN_OLVA_GetDisplay>(s.testRuntime, "OLVA_GetDisplay");
    for (auto _ : state) {
        benchmark::DoNotOptimize(fn(s.runtime, 0, nullptr));
    }
}
BENCHMARK(BM_GetDisplayDirect);

// Not an input question: forwarded only.
void BM_GetDisplayThroughLayer(benchmark::State& state)
{
    Layered& s = Setup();
    const auto fn = Symbol<olva::PFN_OLVA_GetDisplay>(s.layer, "OLVA_GetDisplay");
    for (auto _ : state) {
        benchmark::DoNotOptimize(fn(s.runtime, 0, nullptr));
    }
}
BENCHMARK(BM_GetDisplayThroughLayer);

// One frame of what the input system asks for two joystick hands (18
// questions) and OLVA_WaitFrame, through the layer, with the sticks moving
// every frame: recording, encoding and the write(2) of the line.
void BM_LayerFrame(benchmark::State& state)
{
    Layered& s = Setup();
    const auto connected = Symbol<olva::PFN_OLVA_IsDeviceConnected>(s.layer, "OLVA_IsDeviceConnected");
    const auto click = Symbol<olva::PFN_OLVA_GetInputClickStates>(s.layer, "OLVA_GetInputClickStates");
    const auto touch = Symbol<olva::PFN_OLVA_GetInputTouchStates>(s.layer, "OLVA_GetInputTouchStates");
    const auto config = Symbol<olva::PFN_OLVA_GetInputIdConfiguration>(s.layer, "OLVA_GetInputIdConfiguration");
    const auto analog = Symbol<olva::PFN_OLVA_GetInputAnalogState>(s.layer, "OLVA_GetInputAnalogState");
    const auto wait = Symbol<olva::PFN_OLVA_WaitFrame>(s.layer, "OLVA_WaitFrame");
    uint64_t frame = 0;
    auto run = [&] {
        for (int32_t device : {3, 4}) {
            s.state->devices[device].analog[9] = {std::sin(static_cast<float>(frame) * 0.01f), 0.25f};
            uint32_t flag = 0;
            uint64_t mask = 0;
            connected(s.runtime, device, &flag);
            click(s.runtime, device, 3, &mask);
            touch(s.runtime, device, 3, &mask);
            for (uint32_t id : {9u, 8u, 7u}) {
                uint64_t configuration = 0;
                OLVA_Vector2f value{};
                config(s.runtime, device, 3, id, &configuration);
                analog(s.runtime, device, 3, id, &value);
            }
        }
        wait(s.runtime, nullptr);
        ++frame;
    };
    run();
    const uint64_t before = olva::test::AllocationCount();
    for (auto _ : state) {
        run();
    }
    state.counters["allocs_per_frame"] =
        static_cast<double>(olva::test::AllocationCount() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_LayerFrame);

// The library's questions for one hand, answered by a simulation.
void AskHand(const olva::sim::Simulation& sim, FrameRecorder& recorder, int32_t device, int32_t inputType)
{
    auto note = [&](Key key, int32_t result, auto value) {
        Answer answer;
        answer.result = result;
        answer.written = result == 0;
        if constexpr (std::is_same_v<decltype(value), OLVA_Vector2f>) {
            answer.vector = value;
        } else {
            answer.value = value;
        }
        recorder.Record(key, answer);
    };
    uint32_t flag = 0;
    note({Call::Connected, device, 0, 0}, sim.IsConnected(device, &flag), uint64_t{flag});
    uint64_t mask = 0;
    note({Call::ClickStates, device, inputType, 0}, sim.ClickStates(device, inputType, &mask), mask);
    note({Call::TouchStates, device, inputType, 0}, sim.TouchStates(device, inputType, &mask), mask);
    if (const auto ids = AnalogIds(inputType)) {
        for (uint32_t id : *ids) {
            uint64_t configuration = 0;
            const int32_t result = sim.InputIdConfiguration(device, inputType, id, &configuration);
            note({Call::IdConfiguration, device, inputType, id}, result, configuration);
            OLVA_Vector2f value{};
            note({Call::AnalogState, device, inputType, id}, sim.AnalogState(device, inputType, id, &value), value);
        }
    }
}

// An hour of a bundled scenario played over and over, recorded as the
// layer records the input system's questions. Reports the capture's size.
void ScenarioHour(benchmark::State& state, const char* file)
{
    olva::sim::Scenario scenario;
    std::string error;
    if (!olva::sim::LoadScenarioFile(std::string(OLVA_BENCH_DATA_DIR) + "/" + file, scenario, error)) {
        Fail(error);
    }
    const int64_t loop = scenario.timeline.empty() ? 1 : scenario.timeline.back().frame + 2;
    double bytes = 0;
    for (auto _ : state) {
        FrameRecorder recorder;
        bytes = static_cast<double>(HeaderLine({{"producer", "bench"}}).size());
        olva::sim::Simulation sim(scenario);
        for (int64_t frame = 0; frame < static_cast<int64_t>(kFramesPerHour); ++frame) {
            if (frame % loop == 0) {
                sim = olva::sim::Simulation(scenario);
            }
            sim.AdvanceFrame();
            for (olva::sim::Slot slot : {olva::sim::Slot::Right, olva::sim::Slot::Left}) {
                if (const auto kind = scenario.controllers[static_cast<std::size_t>(slot)]) {
                    AskHand(sim, recorder, olva::sim::DeviceTypeOf(slot), static_cast<int32_t>(*kind));
                }
            }
            bytes += static_cast<double>(recorder.EndFrame(0).size());
        }
    }
    state.counters["MiB_per_hour"] = bytes / (1024.0 * 1024.0);
    state.counters["bytes_per_frame"] = bytes / kFramesPerHour;
}
BENCHMARK_CAPTURE(ScenarioHour, touch, "scenario_touch.json")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ScenarioHour, joystick, "scenario_joystick.json")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ScenarioHour, gamepad, "scenario_gamepad.json")->Iterations(1)->Unit(benchmark::kMillisecond);

// A busy session: both joystick controllers' sticks, triggers and grips
// move every frame with sensor noise, and a button changes every 10 frames
// on each hand. Reports the time to record one frame, its allocations and
// the size of an hour.
void BM_BusySessionFrame(benchmark::State& state)
{
    FrameRecorder recorder;
    uint32_t seed = 12345;
    auto noise = [&] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) / static_cast<float>(1u << 24);  // [0, 1)
    };
    uint64_t frame = 0;
    double bytes = 0;
    auto run = [&] {
        for (int32_t device : {3, 4}) {
            Answer answer;
            answer.written = true;
            answer.value = 1;
            recorder.Record({Call::Connected, device, 0, 0}, answer);
            answer.value = (frame / 10 % 2 != 0) ? (uint64_t{1} << ((frame / 20 + static_cast<uint64_t>(device)) % 9 + 1))
                                                 : 0;
            recorder.Record({Call::ClickStates, device, 3, 0}, answer);
            recorder.Record({Call::TouchStates, device, 3, 0}, answer);
            for (uint32_t id : {9u, 8u, 7u}) {
                Answer configuration;
                configuration.written = true;
                configuration.value = id == 9 ? 0x8 : 0x4;
                recorder.Record({Call::IdConfiguration, device, 3, id}, configuration);
                Answer value;
                value.written = true;
                value.vector = {noise() * 2.0f - 1.0f, id == 9 ? noise() * 2.0f - 1.0f : 0.0f};
                recorder.Record({Call::AnalogState, device, 3, id}, value);
            }
        }
        bytes += static_cast<double>(recorder.EndFrame(0).size());
        ++frame;
    };
    run();
    bytes = 0;
    const uint64_t before = olva::test::AllocationCount();
    for (auto _ : state) {
        run();
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["allocs_per_frame"] = static_cast<double>(olva::test::AllocationCount() - before) / frames;
    state.counters["bytes_per_frame"] = bytes / frames;
    state.counters["MiB_per_hour"] = bytes / frames * kFramesPerHour / (1024.0 * 1024.0);
}
BENCHMARK(BM_BusySessionFrame);

}  // namespace
