// Fuzzes the simulated runtime's scenario reader, then plays the first
// frames of every scenario it accepts and asks the simulation every
// question the runtime interface can ask of it.
//
// A rejected text must leave the output alone and give a one-line message;
// an accepted one must have a timeline in strictly ascending frames within
// the limit; every answer must be 0 or OLVA_RESULT_INVALID_ARGUMENT and
// write its output only with 0. Anything else aborts.
#include "scenario.h"
#include "simulation.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using namespace olva::sim;

[[noreturn]] void Finding(const char* what)
{
    std::fprintf(stderr, "scenario_fuzzer finding: %s\n", what);
    std::abort();
}

void Require(bool condition, const char* what)
{
    if (!condition) {
        Finding(what);
    }
}

constexpr int kFramesPlayed = 24;
constexpr OLVA_DeviceType kDevices[] = {0, 1, OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, OLVA_DEVICE_TYPE_LEFT_CONTROLLER,
                                        OLVA_DEVICE_TYPE_GAMEPAD, 15, -1};
constexpr uint64_t kUntouched = 0xA5A5A5A5A5A5A5A5ull;

// Runs one answer with a sentinel output and checks the result and that
// the output changed only with result 0 (an answer of the sentinel's own
// value cannot be told apart, which is harmless).
template <typename Output, typename Call>
void CheckAnswer(Call call, Output sentinel)
{
    Output output = sentinel;
    const int32_t result = call(&output);
    Require(result == 0 || result == OLVA_RESULT_INVALID_ARGUMENT, "undocumented simulation result");
    if (result != 0) {
        Require(std::memcmp(&output, &sentinel, sizeof output) == 0, "output written with a failure result");
    }
}

void AskEverything(const Simulation& simulation)
{
    CheckAnswer([&](uint64_t* out) { return simulation.SupportedDevices(out); }, kUntouched);
    for (OLVA_DeviceType device : kDevices) {
        CheckAnswer([&](uint64_t* out) { return simulation.DeviceInputType(device, out); }, kUntouched);
        CheckAnswer([&](uint32_t* out) { return simulation.IsConnected(device, out); }, 0xA5A5A5A5u);
        for (OLVA_Device_InputType inputType = 0; inputType <= 5; ++inputType) {
            CheckAnswer([&](uint64_t* out) { return simulation.ClickStates(device, inputType, out); }, kUntouched);
            CheckAnswer([&](uint64_t* out) { return simulation.TouchStates(device, inputType, out); }, kUntouched);
            for (uint32_t id = 0; id < 12; ++id) {
                CheckAnswer([&](uint64_t* out) { return simulation.InputIdConfiguration(device, inputType, id, out); },
                            kUntouched);
                CheckAnswer([&](OLVA_Vector2f* out) { return simulation.AnalogState(device, inputType, id, out); },
                            OLVA_Vector2f{-1234.5f, 6789.25f});
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    Scenario scenario;
    scenario.name = "untouched";
    scenario.timeline.resize(1);
    std::string error;
    if (!ParseScenario(text, scenario, error)) {
        Require(scenario.name == "untouched" && scenario.timeline.size() == 1, "a rejected text changed the output");
        Require(!error.empty(), "a rejected text without a message");
        Require(error.find('\n') == std::string::npos, "a message of more than one line");
        return 0;
    }

    int64_t previous = -1;
    for (const Keyframe& keyframe : scenario.timeline) {
        Require(keyframe.frame > previous, "timeline frames not strictly ascending");
        Require(keyframe.frame <= kMaxFrame, "timeline frame beyond the limit");
        previous = keyframe.frame;
    }

    Simulation simulation(scenario);
    AskEverything(simulation);
    for (int frame = 0; frame < kFramesPlayed; ++frame) {
        simulation.AdvanceFrame();
        Require(simulation.frame() == frame, "frames not counted one by one");
        AskEverything(simulation);
    }
    return 0;
}
