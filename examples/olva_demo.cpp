// olva_demo: a small game's input, run through libolva_framework on the
// simulated runtime. It creates the runtime, loads the game's action
// manifest, gets its handles and then runs the frame loop (OLVA_WaitFrame,
// OLVA_UpdateXrActionState, action queries), printing what changed each frame
// or, with --json, one record per frame.
//
// Only the library's public header is used, as any application would.
#include <olva/olva_framework.h>

#include <nlohmann/json.hpp>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using json = nlohmann::ordered_json;

constexpr int kDefaultFrames = 16;
constexpr const char* kDataDir = OLVA_DEMO_DATA_DIR;
constexpr const char* kSimRuntimeName = "libolva_sim_runtime.so";

struct Options {
    std::string config;  // a configuration file used as it is; empty: composed
    std::string runtime;
    std::string scenario;
    std::string manifest;
    int frames = kDefaultFrames;
    bool json = false;
};

void PrintUsage(std::FILE* out)
{
    std::fprintf(out,
                 "usage: olva_demo [options]\n"
                 "Runs a small game's input through libolva_framework on the simulated runtime.\n"
                 "\n"
                 "  --controller KIND  bundled scenario for touch, joystick or gamepad (default touch)\n"
                 "  --scenario FILE    scenario file for the simulated runtime\n"
                 "  --manifest FILE    action manifest (default: the bundled game_actions.json)\n"
                 "  --runtime FILE     runtime library (default: the simulated runtime)\n"
                 "  --config FILE      runtime configuration text, used as it is (instead of\n"
                 "                     --runtime and --scenario)\n"
                 "  --frames N         frames to run (default %d)\n"
                 "  --json             one JSON record per frame, then a summary record\n"
                 "  --help             this text\n",
                 kDefaultFrames);
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "olva_demo: %s\n", message.c_str());
    return 1;
}

std::string ResultName(int32_t result)
{
    switch (result) {
    case 0:
        return "success (0)";
    case OLVA_RESULT_UNSUPPORTED:
        return "OLVA_RESULT_UNSUPPORTED (-2)";
    case OLVA_RESULT_INVALID_ARGUMENT:
        return "OLVA_RESULT_INVALID_ARGUMENT (-8)";
    case OLVA_RESULT_INVALID_RUNTIME:
        return "OLVA_RESULT_INVALID_RUNTIME (-11)";
    default:
        return "runtime result " + std::to_string(result);
    }
}

std::string ExecutableDirectory()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return ".";
    }
    std::string text(path, static_cast<std::size_t>(length));
    const auto slash = text.rfind('/');
    return slash == std::string::npos ? "." : text.substr(0, slash);
}

// A path as the user would type it: relative to the working directory when
// it lies below it.
std::string Shown(const std::string& path)
{
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr) {
        return path;
    }
    const std::string prefix = std::string(cwd) + "/";
    return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
}

bool IsFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The simulated runtime next to the executable; else where an install puts
// it, <prefix>/<libdir>/olva/, seen from <prefix>/bin; else the one this
// build made.
std::string DefaultRuntime()
{
    const std::string directory = ExecutableDirectory();
    const std::string besideExecutable = directory + "/" + kSimRuntimeName;
    if (IsFile(besideExecutable)) {
        return besideExecutable;
    }
#ifdef OLVA_DEMO_INSTALLED_SIM_DIR
    const std::string installedDir = OLVA_DEMO_INSTALLED_SIM_DIR;
    const std::string installed =
        (installedDir.front() == '/' ? installedDir : directory + "/../" + installedDir) + "/" + kSimRuntimeName;
    if (IsFile(installed)) {
        return installed;
    }
#endif
#ifdef OLVA_DEMO_SIM_RUNTIME
    return OLVA_DEMO_SIM_RUNTIME;
#else
    return kSimRuntimeName;  // left to the dynamic loader's search
#endif
}

// An error text when path is not a readable regular file.
std::optional<std::string> Unreadable(const std::string& path, const char* what)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::string("cannot open the ") + what + " '" + path + "': " + std::strerror(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return std::string("cannot open the ") + what + " '" + path + "': not a regular file";
    }
    if (!std::ifstream(path)) {
        return std::string("cannot open the ") + what + " '" + path + "': " + std::strerror(errno);
    }
    return std::nullopt;
}

std::optional<std::string> ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Returns an error text, or nullopt when the options are usable.
std::optional<std::string> ParseOptions(int argc, char** argv, Options& options, bool& help)
{
    std::string controller;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& target) -> std::optional<std::string> {
            if (i + 1 >= argc) {
                return arg + " needs a value";
            }
            target = argv[++i];
            return std::nullopt;
        };
        std::optional<std::string> error;
        if (arg == "--help" || arg == "-h") {
            help = true;
            return std::nullopt;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--controller") {
            error = value(controller);
        } else if (arg == "--scenario") {
            error = value(options.scenario);
        } else if (arg == "--manifest") {
            error = value(options.manifest);
        } else if (arg == "--runtime") {
            error = value(options.runtime);
        } else if (arg == "--config") {
            error = value(options.config);
        } else if (arg == "--frames") {
            std::string count;
            error = value(count);
            if (!error) {
                char* end = nullptr;
                errno = 0;
                const long frames = std::strtol(count.c_str(), &end, 10);
                if (count.empty() || *end != '\0' || errno != 0 || frames < 1 || frames > 1'000'000) {
                    return "--frames needs a whole number from 1 to 1000000, not '" + count + "'";
                }
                options.frames = static_cast<int>(frames);
            }
        } else {
            return "unknown option '" + arg + "' (see --help)";
        }
        if (error) {
            return error;
        }
    }
    if (!controller.empty()) {
        if (controller != "touch" && controller != "joystick" && controller != "gamepad") {
            return "--controller is touch, joystick or gamepad, not '" + controller + "'";
        }
        if (!options.scenario.empty()) {
            return "give --controller or --scenario, not both";
        }
        options.scenario = std::string(kDataDir) + "/scenario_" + controller + ".json";
    }
    if (!options.config.empty() && (!options.runtime.empty() || !options.scenario.empty())) {
        return "--config is used as it is: give it without --runtime, --scenario and --controller";
    }
    if (options.scenario.empty()) {
        options.scenario = std::string(kDataDir) + "/scenario_touch.json";
    }
    if (options.manifest.empty()) {
        options.manifest = std::string(kDataDir) + "/game_actions.json";
    }
    if (options.runtime.empty()) {
        options.runtime = DefaultRuntime();
    }
    return std::nullopt;
}

// ---- The game's actions, as its manifest declares them

struct Action {
    std::string name;
    bool digital = false;
    unsigned long handle = 0;
    // Digital tallies.
    int presses = 0;
    int releases = 0;
    // Analog: the last value seen and how often it changed.
    float x = 0.0f;
    float y = 0.0f;
    int changes = 0;
    bool vector = false;  // "vector2" or "vector3": show both components
};

std::optional<std::string> ReadActions(const std::string& manifestPath, std::vector<Action>& actions,
                                       std::vector<std::string>& actionSets)
{
    const std::optional<std::string> text = ReadFile(manifestPath);
    if (!text) {
        return "cannot read the manifest '" + manifestPath + "'";
    }
    // The library reads comments in manifests; so does the demo.
    const json manifest = json::parse(*text, nullptr, false, true);
    if (manifest.is_discarded() || !manifest.is_object()) {
        return "cannot read the actions of the manifest '" + manifestPath + "'";
    }
    if (auto sets = manifest.find("action_sets"); sets != manifest.end() && sets->is_array()) {
        for (const json& set : *sets) {
            if (set.is_object() && set.contains("name") && set["name"].is_string()) {
                actionSets.push_back(set["name"].get<std::string>());
            }
        }
    }
    if (auto list = manifest.find("actions"); list != manifest.end() && list->is_array()) {
        for (const json& entry : *list) {
            if (!entry.is_object() || !entry.contains("name") || !entry["name"].is_string() ||
                !entry.contains("type") || !entry["type"].is_string()) {
                continue;
            }
            Action action;
            action.name = entry["name"].get<std::string>();
            const std::string type = entry["type"].get<std::string>();
            if (type == "boolean") {
                action.digital = true;
            } else if (type == "single" || type == "vector1") {
                action.digital = false;
            } else if (type == "vector2" || type == "vector3") {
                action.vector = true;
            } else {
                continue;  // a type the queries do not answer
            }
            actions.push_back(action);
        }
    }
    return std::nullopt;
}

// Values rounded to 1e-4, so records show 0.8 rather than 0.800000011920929.
double Rounded(float value) { return std::round(static_cast<double>(value) * 10000.0) / 10000.0; }

std::string Direction(const std::string& name)
{
    for (const char* direction : {"north", "east", "south", "west"}) {
        const std::string suffix = std::string("_") + direction;
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            return direction;
        }
    }
    return "";
}

std::string Value(const Action& action, float x, float y)
{
    char text[64];
    if (action.vector) {
        std::snprintf(text, sizeof text, "(%.2f, %.2f)", static_cast<double>(x), static_cast<double>(y));
    } else {
        std::snprintf(text, sizeof text, "%.2f", static_cast<double>(x));
    }
    return text;
}

const char* KindName(uint64_t inputType)
{
    switch (inputType) {
    case OLVA_INPUT_TYPE_TOUCH:
        return "touch controller";
    case OLVA_INPUT_TYPE_JOYSTICK:
        return "joystick controller";
    case OLVA_INPUT_TYPE_GAMEPAD:
        return "gamepad";
    default:
        return "other controller";
    }
}

struct Device {
    OLVA_DeviceType type;
    const char* name;
    uint64_t inputType = 0;
};

int Run(const Options& options)
{
    // ---- Files first: a missing one is a clear error, not an empty document.
    if (auto error = Unreadable(options.manifest, "manifest")) {
        return Fail(*error);
    }
    std::string config;
    std::string scenarioLabel;
    if (!options.config.empty()) {
        if (auto error = Unreadable(options.config, "configuration")) {
            return Fail(*error);
        }
        config = ReadFile(options.config).value_or("");
        scenarioLabel = "configuration " + options.config;
    } else {
        if (auto error = Unreadable(options.scenario, "scenario")) {
            return Fail(*error);
        }
        config = json{{"olvaruntimepath", options.runtime}, {"simulation", options.scenario}}.dump();
        scenarioLabel = options.scenario;
    }

    // ---- Runtime
    void* runtime = nullptr;
    const OLVA_RuntimeCreateInfo createInfo = {config.c_str()};
    int32_t result = 0;
    try {
        result = OLVA_CreateRuntime(&createInfo, &runtime);
    } catch (const char* text) {
        std::string message = std::string("cannot create the runtime: ") + text;
        if (const char* detail = dlerror()) {
            message += " (" + std::string(detail) + ")";
        }
        return Fail(message);
    } catch (const std::exception& e) {
        return Fail(std::string("the runtime configuration is not usable: ") + e.what());
    }
    if (result != 0) {
        return Fail("the runtime refused to start: " + ResultName(result));
    }

    // From here on the runtime is destroyed on every way out.
    struct RuntimeGuard {
        void* runtime;
        ~RuntimeGuard() { OLVA_DestroyRuntime(runtime); }
    } guard{runtime};

    Device devices[] = {{OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, "right hand"},
                        {OLVA_DEVICE_TYPE_LEFT_CONTROLLER, "left hand"},
                        {OLVA_DEVICE_TYPE_GAMEPAD, "gamepad"}};
    uint64_t deviceMask = 0;
    if ((result = OLVA_GetSupportedDevices(runtime, &deviceMask)) != 0) {
        return Fail("the runtime does not list its devices: " + ResultName(result));
    }
    json deviceRecord = json::object();
    std::string deviceLine;
    bool gamepadPresent = false;
    for (Device& device : devices) {
        if ((deviceMask >> device.type & 1u) == 0) {
            continue;
        }
        OLVA_GetSupportedDeviceInputType(runtime, device.type, &device.inputType);
        deviceRecord[device.name] = KindName(device.inputType);
        deviceLine += (deviceLine.empty() ? "" : ", ") + std::string(device.name) + ": " + KindName(device.inputType);
        gamepadPresent = gamepadPresent || (device.type == OLVA_DEVICE_TYPE_GAMEPAD &&
                                            device.inputType == OLVA_INPUT_TYPE_GAMEPAD);
    }

    // ---- Manifest and handles
    result = OLVA_XrActionManifestPath(runtime, options.manifest.c_str());
    if (result != 0) {
        return Fail("the library rejected the manifest '" + options.manifest + "': " + ResultName(result));
    }
    std::vector<Action> actions;
    std::vector<std::string> actionSetNames;
    if (auto error = ReadActions(options.manifest, actions, actionSetNames)) {
        return Fail(*error);
    }
    std::vector<OLVA_XrActiveActionSet> activeSets;
    for (const std::string& name : actionSetNames) {
        unsigned long handle = 0;
        if (OLVA_GetXrActionSetHandle(runtime, name.c_str(), &handle) == 0 && handle != 0) {
            activeSets.push_back({handle, 0});
        }
    }
    for (Action& action : actions) {
        if ((result = OLVA_GetXrActionHandle(runtime, action.name.c_str(), &action.handle)) != 0) {
            return Fail("no handle for the action '" + action.name + "': " + ResultName(result));
        }
    }
    unsigned long leftHand = 0;
    unsigned long rightHand = 0;
    OLVA_GetXrInputSourceHandle(runtime, "/user/hand/left", &leftHand);
    OLVA_GetXrInputSourceHandle(runtime, "/user/hand/right", &rightHand);
    auto handName = [&](unsigned long source) -> const char* {
        return source == rightHand ? "right" : source == leftHand ? "left" : nullptr;
    };

    if (!options.json) {
        std::printf("olva_demo: %zu actions from %s\n", actions.size(), Shown(options.manifest).c_str());
        std::printf("  runtime   %s\n",
                    options.config.empty() ? Shown(options.runtime).c_str() : "(from the configuration)");
        std::printf("  scenario  %s\n", Shown(scenarioLabel).c_str());
        std::printf("  devices   %s\n", deviceLine.empty() ? "none" : deviceLine.c_str());
        if (gamepadPresent) {
            std::printf("  note      the action system reads the hand controllers; the gamepad is shown raw\n");
        }
        std::printf("\n");
    }

    // ---- Frame loop
    uint64_t gamepadClick = 0;
    int events = 0;
    for (int frame = 0; frame < options.frames; ++frame) {
        if ((result = OLVA_WaitFrame(runtime, nullptr)) != 0) {
            return Fail("OLVA_WaitFrame failed at frame " + std::to_string(frame) + ": " + ResultName(result));
        }
        result = OLVA_UpdateXrActionState(runtime, activeSets.empty() ? nullptr : activeSets.data(),
                                          static_cast<unsigned int>(activeSets.size()), 0);
        if (result != 0) {
            return Fail("OLVA_UpdateXrActionState failed at frame " + std::to_string(frame) + ": " +
                        ResultName(result));
        }

        json digitalRecord = json::object();
        json analogRecord = json::object();
        for (Action& action : actions) {
            if (action.digital) {
                OLVA_XrInputDigitalActionData data{};
                result = OLVA_GetXrActionDigitalData(runtime, action.handle, &data, 0, 0);
                if (result != 0) {
                    digitalRecord[action.name] = {{"result", result}};
                    continue;
                }
                const char* hand = handName(data.inputSource);
                digitalRecord[action.name] = {{"active", data.isActive != 0},
                                              {"state", data.currentState != 0},
                                              {"changed", data.changedSinceLastSync != 0},
                                              {"hand", hand != nullptr ? json(hand) : json(nullptr)}};
                if (data.changedSinceLastSync == 0) {
                    continue;
                }
                ++events;
                const bool pressed = data.currentState != 0;
                (pressed ? action.presses : action.releases)++;
                if (!options.json) {
                    const std::string direction = Direction(action.name);
                    std::string line = pressed ? "pressed" : "released";
                    if (!direction.empty()) {
                        line.resize(10, ' ');
                        line += "(stick " + direction + ")";
                    }
                    std::printf("frame %3d  %-5s  %-16s %s\n", frame, hand != nullptr ? hand : "-",
                                action.name.c_str(), line.c_str());
                }
            } else {
                OLVA_XrInputAnalogActionData data{};
                result = OLVA_GetXrActionAnalogData(runtime, action.handle, &data, 0, 0);
                if (result != 0) {
                    analogRecord[action.name] = {{"result", result}};
                    continue;
                }
                const char* hand = handName(data.inputSource);
                analogRecord[action.name] = {{"active", data.isActive != 0},
                                             {"x", Rounded(data.x)},
                                             {"y", Rounded(data.y)},
                                             {"deltaX", Rounded(data.deltaX)},
                                             {"deltaY", Rounded(data.deltaY)},
                                             {"hand", hand != nullptr ? json(hand) : json(nullptr)}};
                if (data.x == action.x && data.y == action.y) {
                    continue;
                }
                ++events;
                ++action.changes;
                if (!options.json) {
                    // The library's delta is the previous value minus the present one.
                    std::printf("frame %3d  %-5s  %-16s %-14s (was %s, delta %s)\n", frame,
                                hand != nullptr ? hand : "-", action.name.c_str(),
                                Value(action, data.x, data.y).c_str(), Value(action, action.x, action.y).c_str(),
                                Value(action, data.deltaX, data.deltaY).c_str());
                }
                action.x = data.x;
                action.y = data.y;
            }
        }

        json record = {{"frame", frame}, {"digital", std::move(digitalRecord)}, {"analog", std::move(analogRecord)}};
        if (gamepadPresent) {
            uint64_t click = 0;
            uint64_t touch = 0;
            OLVA_GetInputClickStates(runtime, OLVA_DEVICE_TYPE_GAMEPAD, OLVA_INPUT_TYPE_GAMEPAD, &click);
            OLVA_GetInputTouchStates(runtime, OLVA_DEVICE_TYPE_GAMEPAD, OLVA_INPUT_TYPE_GAMEPAD, &touch);
            record["gamepad"] = {{"click", click}, {"touch", touch}};
            if (click != gamepadClick) {
                ++events;
                if (!options.json) {
                    std::printf("frame %3d  %-5s  %-16s 0x%03llx (was 0x%03llx)\n", frame, "pad", "raw click mask",
                                static_cast<unsigned long long>(click),
                                static_cast<unsigned long long>(gamepadClick));
                }
                gamepadClick = click;
            }
        }
        if (options.json) {
            std::printf("%s\n", record.dump().c_str());
        }
    }

    // ---- Summary
    json summary = {{"frames", options.frames}, {"events", events}, {"devices", deviceRecord}};
    if (!options.json) {
        std::printf("\nsummary: %d frames, %d changes\n", options.frames, events);
    }
    for (const Action& action : actions) {
        if (action.digital) {
            summary["actions"][action.name] = {{"presses", action.presses}, {"releases", action.releases}};
            if (!options.json) {
                std::printf("  %-16s %d pressed, %d released\n", action.name.c_str(), action.presses,
                            action.releases);
            }
        } else {
            summary["actions"][action.name] = {
                {"changes", action.changes}, {"x", Rounded(action.x)}, {"y", Rounded(action.y)}};
            if (!options.json) {
                std::printf("  %-16s %d changes, last %s\n", action.name.c_str(), action.changes,
                            Value(action, action.x, action.y).c_str());
            }
        }
    }
    if (options.json) {
        std::printf("%s\n", json{{"summary", summary}}.dump().c_str());
    }
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
