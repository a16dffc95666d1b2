// The exported runtime functions of the simulated runtime. Each checks the
// runtime handle it was given against the ones it handed out and delegates
// to that runtime's Simulation, or to its Replay when the configuration
// named a capture. One lock serialises them, so applications may
// call from several threads as they would on a real runtime.
#include "implemented_entry_points.h"
#include "replay.h"
#include "scenario.h"
#include "simulation.h"

#include <olva/olva_framework.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

// Each definition below must keep the public header's signature (the
// library proves the header equal to its entry point table): a different one
// would not compile against the header's declaration, and this list catches
// a name that is implemented but missing here.
#define OLVA_SIM_CHECK_SIGNATURE_(name)                                                            \
    static_assert(std::is_same_v<decltype(&::name), ::PFN_##name>, #name " has the header's signature");
OLVA_SIM_IMPLEMENTED_ENTRY_POINTS(OLVA_SIM_CHECK_SIGNATURE_)
#undef OLVA_SIM_CHECK_SIGNATURE_

namespace {

using olva::sim::Scenario;
using olva::sim::Simulation;

constexpr std::size_t kFeatureBits = 64;

struct Runtime;

// A started feature; its address is the feature handle.
struct FeatureSlot {
    bool running = false;
};

struct Runtime {
    explicit Runtime(Scenario scenario) : simulation(std::move(scenario)) {}
    Simulation simulation;
    std::unique_ptr<olva::sim::Replay> replay;  // set: a capture answers instead
    FeatureSlot features[kFeatureBits];

    // Calls body with what answers the input questions: the replay or the
    // simulation.
    template <typename Body>
    int32_t Answer(Body&& body)
    {
        return replay ? body(*replay) : body(simulation);
    }
};

std::mutex g_mutex;
// Live runtimes; a handle is the address of one of them. A static object,
// not a leaked one: the library closes this module at exit, and whatever
// the application did not destroy is released with it.
std::vector<std::unique_ptr<Runtime>>& LiveRuntimes()
{
    static std::vector<std::unique_ptr<Runtime>> runtimes;
    return runtimes;
}

Runtime* Find(void* handle)
{
    for (const auto& runtime : LiveRuntimes()) {
        if (runtime.get() == handle) {
            return runtime.get();
        }
    }
    return nullptr;
}

void Report(const std::string& message)
{
    std::fprintf(stderr, "olva_sim_runtime: %s\n", message.c_str());
}

// Reads the scenario that the configuration's "simulation" names (a file) or
// holds (an object), or the capture it names for replay. Reports the problem
// on standard error.
bool ScenarioFromConfiguration(const char* configJson, Scenario& scenario,
                               std::unique_ptr<olva::sim::Replay>& replay)
{
    using nlohmann::json;
    json config;
    try {
        config = json::parse(configJson, nullptr, true, false);
    } catch (const json::exception& e) {
        Report(std::string("configuration: ") + e.what());
        return false;
    }
    if (!config.is_object()) {
        Report("configuration: must be a JSON object");
        return false;
    }
    const auto simulation = config.find("simulation");
    if (simulation == config.end()) {
        Report("configuration: missing key \"simulation\" (a scenario file name, or the scenario itself)");
        return false;
    }
    std::string error;
    if (simulation->is_string() && olva::sim::IsCaptureFile(simulation->get<std::string>())) {
        std::string note;
        olva::capture::Capture capture;
        if (!olva::sim::LoadReplay(simulation->get<std::string>(), capture, error, note)) {
            Report(error);
            return false;
        }
        if (!note.empty()) {
            Report(note);
        }
        replay = std::make_unique<olva::sim::Replay>(std::move(capture));
        return true;
    }
    if (simulation->is_string()) {
        if (!olva::sim::LoadScenarioFile(simulation->get<std::string>(), scenario, error)) {
            Report(error);
            return false;
        }
        return true;
    }
    if (simulation->is_object()) {
        if (!olva::sim::ParseScenario(simulation->dump(), scenario, error)) {
            Report("scenario in the configuration's \"simulation\": " + error);
            return false;
        }
        return true;
    }
    Report("configuration: \"simulation\" must be a scenario file name or a scenario object");
    return false;
}

// Runs body with the runtime that handle names, under the lock.
template <typename Body>
int32_t WithRuntime(void* handle, Body&& body)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    Runtime* runtime = Find(handle);
    if (runtime == nullptr) {
        return OLVA_RESULT_INVALID_RUNTIME;
    }
    return body(*runtime);
}

bool IsSingleBit(uint64_t value) { return value != 0 && (value & (value - 1)) == 0; }

std::size_t BitIndex(uint64_t singleBit)
{
    std::size_t index = 0;
    while ((singleBit >>= 1) != 0) {
        ++index;
    }
    return index;
}

}  // namespace

extern "C" {

int32_t OLVA_CreateRuntime(const OLVA_RuntimeCreateInfo* createInfo, void** runtime)
{
    if (createInfo == nullptr || createInfo->configJson == nullptr || runtime == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    try {
        Scenario scenario;
        std::unique_ptr<olva::sim::Replay> replay;
        if (!ScenarioFromConfiguration(createInfo->configJson, scenario, replay)) {
            return OLVA_RESULT_INVALID_ARGUMENT;
        }
        auto created = std::make_unique<Runtime>(std::move(scenario));
        created->replay = std::move(replay);
        std::lock_guard<std::mutex> lock(g_mutex);
        LiveRuntimes().push_back(std::move(created));
        *runtime = LiveRuntimes().back().get();
        return 0;
    } catch (const std::exception& e) {
        Report(std::string("cannot create the runtime: ") + e.what());
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
}

int32_t OLVA_DestroyRuntime(void* runtime)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    auto& runtimes = LiveRuntimes();
    const auto it = std::find_if(runtimes.begin(), runtimes.end(),
                                 [runtime](const std::unique_ptr<Runtime>& live) { return live.get() == runtime; });
    if (it == runtimes.end()) {
        return OLVA_RESULT_INVALID_RUNTIME;
    }
    runtimes.erase(it);
    return 0;
}

int32_t OLVA_WaitFrame(void* runtime, void* /*frameState: not written*/)
{
    return WithRuntime(runtime, [](Runtime& r) {
        if (r.replay) {
            return r.replay->AdvanceFrame();
        }
        r.simulation.AdvanceFrame();
        return 0;
    });
}

int32_t OLVA_GetSupportedDevices(void* runtime, uint64_t* deviceMask)
{
    return WithRuntime(runtime, [&](Runtime& r) {
        return r.Answer([&](auto& source) { return source.SupportedDevices(deviceMask); });
    });
}

int32_t OLVA_GetSupportedDeviceInputType(void* runtime, OLVA_DeviceType device, uint64_t* inputType)
{
    return WithRuntime(runtime, [&](Runtime& r) {
        return r.Answer([&](auto& source) { return source.DeviceInputType(device, inputType); });
    });
}

int32_t OLVA_IsDeviceConnected(void* runtime, OLVA_DeviceType device, uint32_t* connected)
{
    return WithRuntime(runtime, [&](Runtime& r) {
        return r.Answer([&](auto& source) { return source.IsConnected(device, connected); });
    });
}

int32_t OLVA_GetInputIdConfiguration(void* runtime, OLVA_DeviceType device, OLVA_Device_InputType inputType,
                                     uint32_t inputId, uint64_t* configuration)
{
    return WithRuntime(runtime, [&](Runtime& r) {
        return r.Answer([&](auto& source) {
            return source.InputIdConfiguration(device, inputType, inputId, configuration);
        });
    });
}

int32_t OLVA_GetInputClickStates(void* runtime, OLVA_DeviceType device, OLVA_Device_InputType inputType,
                                 uint64_t* clickStates)
{
    return WithRuntime(runtime, [&](Runtime& r) {
        return r.Answer([&](auto& source) { return source.ClickStates(device, inputType, clickStates); });
    });
}

int32_t OLVA_GetInputTouchStates(void* runtime, OLVA_DeviceType device, OLVA_Device_InputType inputType,
                                 uint64_t* touchStates)
{
    return WithRuntime(runtime, [&](Runtime& r) {
        return r.Answer([&](auto& source) { return source.TouchStates(device, inputType, touchStates); });
    });
}

int32_t OLVA_GetInputAnalogState(void* runtime, OLVA_DeviceType device, OLVA_Device_InputType inputType,
                                 uint32_t inputId, OLVA_Vector2f* value)
{
    return WithRuntime(runtime, [&](Runtime& r) {
        return r.Answer([&](auto& source) { return source.AnalogState(device, inputType, inputId, value); });
    });
}

int32_t OLVA_GetSupportedXrFeatures(void* runtime, uint64_t* featureMask)
{
    return WithRuntime(runtime, [&](Runtime& r) {
        if (featureMask == nullptr) {
            return OLVA_RESULT_INVALID_ARGUMENT;
        }
        *featureMask = r.simulation.scenario().xrFeatures;
        return 0;
    });
}

int32_t OLVA_StartXrFeature(void* runtime, const OLVA_XrFeatureStartInfo* startInfo, void** feature)
{
    return WithRuntime(runtime, [&](Runtime& r) {
        if (startInfo == nullptr || feature == nullptr || !IsSingleBit(startInfo->feature) ||
            (startInfo->feature & r.simulation.scenario().xrFeatures) == 0) {
            return OLVA_RESULT_INVALID_ARGUMENT;
        }
        FeatureSlot& slot = r.features[BitIndex(startInfo->feature)];
        if (slot.running) {
            return OLVA_RESULT_INVALID_ARGUMENT;
        }
        slot.running = true;
        *feature = &slot;
        return 0;
    });
}

int32_t OLVA_StopXrFeature(void* feature)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    for (const auto& runtime : LiveRuntimes()) {
        for (FeatureSlot& slot : runtime->features) {
            if (&slot == feature && slot.running) {
                slot.running = false;
                return 0;
            }
        }
    }
    return OLVA_RESULT_INVALID_ARGUMENT;
}

}  // extern "C"
