// olva_demo: a small game's input, run through libolva_framework on the
// simulated runtime. It creates the runtime, loads the game's action
// manifest, gets its handles and then runs the frame loop (OLVA_WaitFrame,
// OLVA_UpdateXrActionState, action queries), printing what changed each frame
// or, with --json, one record per frame.
//
// This file is the walk-through of the library's interface, top to bottom;
// the command line is in demo_options.*, the printing in demo_report.*.
// Only the library's public header is used, as any application would.
#include "demo_options.h"
#include "demo_report.h"

#include <olva/olva_framework.h>

#include <nlohmann/json.hpp>

#include <dlfcn.h>

#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace olva::demo;

// ---- 1. Create the runtime

// The configuration text: the --config file as it is, or one naming the
// runtime library and the simulated runtime's scenario.
std::optional<std::string> ComposeConfiguration(const Options& options, std::string& config,
                                                std::string& scenarioLabel)
{
    if (!options.config.empty()) {
        if (auto error = Unreadable(options.config, "configuration")) {
            return error;
        }
        config = ReadFile(options.config).value_or("");
        scenarioLabel = "configuration " + options.config;
        return std::nullopt;
    }
    if (auto error = Unreadable(options.scenario, "scenario")) {
        return error;
    }
    config = nlohmann::json{{"olvaruntimepath", options.runtime}, {"simulation", options.scenario}}.dump();
    scenarioLabel = options.scenario;
    return std::nullopt;
}

// OLVA_CreateRuntime throws when the configuration is unusable or the runtime
// library does not open; every other failure is its result.
std::optional<std::string> CreateRuntime(const std::string& config, void*& runtime)
{
    const OLVA_RuntimeCreateInfo createInfo = {config.c_str()};
    int32_t result = 0;
    try {
        result = OLVA_CreateRuntime(&createInfo, &runtime);
    } catch (const char* text) {
        std::string message = std::string("cannot create the runtime: ") + text;
        if (const char* detail = dlerror()) {
            message += " (" + std::string(detail) + ")";
        }
        return message;
    } catch (const std::exception& e) {
        return std::string("the runtime configuration is not usable: ") + e.what();
    }
    if (result != 0) {
        return "the runtime refused to start: " + ResultName(result);
    }
    return std::nullopt;
}

// ---- 2. The controllers present (raw device calls, forwarded to the runtime)

std::optional<std::string> ListDevices(void* runtime, Report& report)
{
    struct Device {
        OLVA_DeviceType type;
        const char* name;
    };
    const Device devices[] = {{OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, "right hand"},
                              {OLVA_DEVICE_TYPE_LEFT_CONTROLLER, "left hand"},
                              {OLVA_DEVICE_TYPE_GAMEPAD, "gamepad"}};
    uint64_t deviceMask = 0;
    if (const int32_t result = OLVA_GetSupportedDevices(runtime, &deviceMask); result != 0) {
        return "the runtime does not list its devices: " + ResultName(result);
    }
    for (const Device& device : devices) {
        if ((deviceMask >> device.type & 1u) == 0) {
            continue;
        }
        uint64_t inputType = 0;
        OLVA_GetSupportedDeviceInputType(runtime, device.type, &inputType);
        report.AddDevice(device.name, inputType);
        if (device.type == OLVA_DEVICE_TYPE_GAMEPAD && inputType == OLVA_INPUT_TYPE_GAMEPAD) {
            report.SetGamepadPresent(true);
        }
    }
    return std::nullopt;
}

// ---- 3 and 4. Load the manifest, get the handles

struct Handles {
    std::vector<OLVA_XrActiveActionSet> activeSets;
    unsigned long leftHand = 0;
    unsigned long rightHand = 0;

    const char* HandName(unsigned long source) const
    {
        return source == rightHand ? "right" : source == leftHand ? "left" : nullptr;
    }
};

std::optional<std::string> LoadManifest(void* runtime, const std::string& manifest, std::vector<Action>& actions,
                                        Handles& handles)
{
    if (const int32_t result = OLVA_XrActionManifestPath(runtime, manifest.c_str()); result != 0) {
        return "the library rejected the manifest '" + manifest + "': " + ResultName(result);
    }
    // The library does not list a manifest's actions; the demo reads them
    // from the same file.
    std::vector<std::string> actionSetNames;
    if (auto error = ReadActions(manifest, actions, actionSetNames)) {
        return error;
    }
    for (const std::string& name : actionSetNames) {
        unsigned long handle = 0;
        if (OLVA_GetXrActionSetHandle(runtime, name.c_str(), &handle) == 0 && handle != 0) {
            handles.activeSets.push_back({handle, 0});
        }
    }
    for (Action& action : actions) {
        if (const int32_t result = OLVA_GetXrActionHandle(runtime, action.name.c_str(), &action.handle); result != 0) {
            return "no handle for the action '" + action.name + "': " + ResultName(result);
        }
    }
    OLVA_GetXrInputSourceHandle(runtime, "/user/hand/left", &handles.leftHand);
    OLVA_GetXrInputSourceHandle(runtime, "/user/hand/right", &handles.rightHand);
    return std::nullopt;
}

// ---- 5. One frame: wait, update, query

std::optional<std::string> RunFrame(void* runtime, int frame, Handles& handles, std::vector<Action>& actions,
                                    Report& report)
{
    if (const int32_t result = OLVA_WaitFrame(runtime, nullptr); result != 0) {
        return "OLVA_WaitFrame failed at frame " + std::to_string(frame) + ": " + ResultName(result);
    }
    // Builds the action sets' sources on the first call; polls both hands.
    const int32_t result =
        OLVA_UpdateXrActionState(runtime, handles.activeSets.empty() ? nullptr : handles.activeSets.data(),
                                 static_cast<unsigned int>(handles.activeSets.size()), 0);
    if (result != 0) {
        return "OLVA_UpdateXrActionState failed at frame " + std::to_string(frame) + ": " + ResultName(result);
    }

    report.BeginFrame(frame);
    for (Action& action : actions) {
        // Input source 0: both hands, the right one winning.
        if (action.digital) {
            OLVA_XrInputDigitalActionData data{};
            const int32_t queried = OLVA_GetXrActionDigitalData(runtime, action.handle, &data, 0, 0);
            report.Digital(action, queried, data, handles.HandName(data.inputSource));
        } else {
            OLVA_XrInputAnalogActionData data{};
            const int32_t queried = OLVA_GetXrActionAnalogData(runtime, action.handle, &data, 0, 0);
            report.Analog(action, queried, data, handles.HandName(data.inputSource));
        }
    }
    if (report.gamepadPresent()) {
        // The action system does not read the gamepad: ask the runtime directly.
        uint64_t click = 0;
        uint64_t touch = 0;
        OLVA_GetInputClickStates(runtime, OLVA_DEVICE_TYPE_GAMEPAD, OLVA_INPUT_TYPE_GAMEPAD, &click);
        OLVA_GetInputTouchStates(runtime, OLVA_DEVICE_TYPE_GAMEPAD, OLVA_INPUT_TYPE_GAMEPAD, &touch);
        report.GamepadMasks(click, touch);
    }
    report.EndFrame();
    return std::nullopt;
}

int Run(const Options& options)
{
    // Files first: a missing one is a clear error, not an empty document.
    if (auto error = Unreadable(options.manifest, "manifest")) {
        return Fail(*error);
    }
    std::string config;
    std::string scenarioLabel;
    if (auto error = ComposeConfiguration(options, config, scenarioLabel)) {
        return Fail(*error);
    }

    // 1. Create the runtime; from here on it is destroyed on every way out.
    void* runtime = nullptr;
    if (auto error = CreateRuntime(config, runtime)) {
        return Fail(*error);
    }
    struct RuntimeGuard {
        void* runtime;
        ~RuntimeGuard() { OLVA_DestroyRuntime(runtime); }
    } guard{runtime};

    // 2. Which controllers are present.
    Report report(options);
    if (auto error = ListDevices(runtime, report)) {
        return Fail(*error);
    }

    // 3. Load the manifest and 4. get the handles.
    std::vector<Action> actions;
    Handles handles;
    if (auto error = LoadManifest(runtime, options.manifest, actions, handles)) {
        return Fail(*error);
    }
    report.Header(actions.size(), scenarioLabel);

    // 5. The frame loop.
    for (int frame = 0; frame < options.frames; ++frame) {
        if (auto error = RunFrame(runtime, frame, handles, actions, report)) {
            return Fail(*error);
        }
    }

    // 6. The summary.
    report.Summary(actions);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        Options options;
        bool help = false;
        if (auto error = ParseOptions(argc, argv, options, help)) {
            return Fail(*error);
        }
        if (help) {
            PrintUsage(stdout);
            return 0;
        }
        return Run(options);
    } catch (const std::exception& e) {
        return Fail(std::string("unexpected error: ") + e.what());
    } catch (...) {
        return Fail("unexpected error");
    }
}
