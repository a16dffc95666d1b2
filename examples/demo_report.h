// What olva_demo shows: the game's actions with their tallies, and the report
// of each frame, as text lines of what changed or as one JSON record per
// frame, then a summary.
#pragma once

#include "demo_options.h"

#include <olva/olva_framework.h>

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace olva::demo {

// Prints "olva_demo: message" on standard error and returns the exit status 1.
int Fail(const std::string& message);

// "OLVA_RESULT_INVALID_ARGUMENT (-8)", "runtime result 7", ...
std::string ResultName(int32_t result);

// "touch controller", "joystick controller", "gamepad" or "other controller".
const char* KindName(uint64_t inputType);

// One of the game's actions, as its manifest declares it.
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

// The action sets and the actions of a type the queries answer, in manifest
// order. Returns an error text when the manifest cannot be read.
std::optional<std::string> ReadActions(const std::string& manifestPath, std::vector<Action>& actions,
                                       std::vector<std::string>& actionSets);

class Report {
public:
    explicit Report(const Options& options) : m_options(options) {}

    // A controller the runtime reports, for the header and the summary.
    void AddDevice(const char* name, uint64_t inputType);
    void SetGamepadPresent(bool present) { m_gamepadPresent = present; }
    bool gamepadPresent() const { return m_gamepadPresent; }

    void Header(std::size_t actionCount, const std::string& scenarioLabel) const;

    void BeginFrame(int frame);
    // hand: "right", "left" or null when no hand produced the values.
    void Digital(Action& action, int32_t result, const OLVA_XrInputDigitalActionData& data, const char* hand);
    void Analog(Action& action, int32_t result, const OLVA_XrInputAnalogActionData& data, const char* hand);
    void GamepadMasks(uint64_t click, uint64_t touch);
    void EndFrame();

    void Summary(const std::vector<Action>& actions) const;

private:
    using json = nlohmann::ordered_json;

    const Options& m_options;
    json m_devices = json::object();
    std::string m_deviceLine;
    bool m_gamepadPresent = false;
    int m_events = 0;
    uint64_t m_gamepadClick = 0;
    // The frame being reported.
    int m_frame = 0;
    json m_digital;
    json m_analog;
    json m_gamepad;
};

}  // namespace olva::demo
