#include "demo_report.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace olva::demo {

namespace {

using json = nlohmann::ordered_json;

// Values rounded to 1e-4, so records show 0.8 rather than 0.800000011920929.
double Rounded(float value) { return std::round(static_cast<double>(value) * 10000.0) / 10000.0; }

// The stick direction an action's name ends in ("teleport_north"), or "".
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

json HandValue(const char* hand) { return hand != nullptr ? json(hand) : json(nullptr); }

}  // namespace

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

void Report::AddDevice(const char* name, uint64_t inputType)
{
    m_devices[name] = KindName(inputType);
    m_deviceLine += (m_deviceLine.empty() ? "" : ", ") + std::string(name) + ": " + KindName(inputType);
}

void Report::Header(std::size_t actionCount, const std::string& scenarioLabel) const
{
    if (m_options.json) {
        return;
    }
    std::printf("olva_demo: %zu actions from %s\n", actionCount, Shown(m_options.manifest).c_str());
    std::printf("  runtime   %s\n",
                m_options.config.empty() ? Shown(m_options.runtime).c_str() : "(from the configuration)");
    std::printf("  scenario  %s\n", Shown(scenarioLabel).c_str());
    std::printf("  devices   %s\n", m_deviceLine.empty() ? "none" : m_deviceLine.c_str());
    if (m_gamepadPresent) {
        std::printf("  note      the action system reads the hand controllers; the gamepad is shown raw\n");
    }
    std::printf("\n");
}

void Report::BeginFrame(int frame)
{
    m_frame = frame;
    m_digital = json::object();
    m_analog = json::object();
    m_gamepad = nullptr;
}

void Report::Digital(Action& action, int32_t result, const OLVA_XrInputDigitalActionData& data, const char* hand)
{
    if (result != 0) {
        m_digital[action.name] = {{"result", result}};
        return;
    }
    m_digital[action.name] = {{"active", data.isActive != 0},
                              {"state", data.currentState != 0},
                              {"changed", data.changedSinceLastSync != 0},
                              {"hand", HandValue(hand)}};
    if (data.changedSinceLastSync == 0) {
        return;
    }
    ++m_events;
    const bool pressed = data.currentState != 0;
    (pressed ? action.presses : action.releases)++;
    if (!m_options.json) {
        const std::string direction = Direction(action.name);
        std::string line = pressed ? "pressed" : "released";
        if (!direction.empty()) {
            line.resize(10, ' ');
            line += "(stick " + direction + ")";
        }
        std::printf("frame %3d  %-5s  %-16s %s\n", m_frame, hand != nullptr ? hand : "-", action.name.c_str(),
                    line.c_str());
    }
}

void Report::Analog(Action& action, int32_t result, const OLVA_XrInputAnalogActionData& data, const char* hand)
{
    if (result != 0) {
        m_analog[action.name] = {{"result", result}};
        return;
    }
    m_analog[action.name] = {{"active", data.isActive != 0},
                             {"x", Rounded(data.x)},
                             {"y", Rounded(data.y)},
                             {"deltaX", Rounded(data.deltaX)},
                             {"deltaY", Rounded(data.deltaY)},
                             {"hand", HandValue(hand)}};
    if (data.x == action.x && data.y == action.y) {
        return;
    }
    ++m_events;
    ++action.changes;
    if (!m_options.json) {
        // The library's delta is the previous value minus the present one.
        std::printf("frame %3d  %-5s  %-16s %-14s (was %s, delta %s)\n", m_frame, hand != nullptr ? hand : "-",
                    action.name.c_str(), Value(action, data.x, data.y).c_str(),
                    Value(action, action.x, action.y).c_str(), Value(action, data.deltaX, data.deltaY).c_str());
    }
    action.x = data.x;
    action.y = data.y;
}

void Report::GamepadMasks(uint64_t click, uint64_t touch)
{
    m_gamepad = {{"click", click}, {"touch", touch}};
    if (click == m_gamepadClick) {
        return;
    }
    ++m_events;
    if (!m_options.json) {
        std::printf("frame %3d  %-5s  %-16s 0x%03llx (was 0x%03llx)\n", m_frame, "pad", "raw click mask",
                    static_cast<unsigned long long>(click), static_cast<unsigned long long>(m_gamepadClick));
    }
    m_gamepadClick = click;
}

void Report::EndFrame()
{
    if (!m_options.json) {
        return;
    }
    json record = {{"frame", m_frame}, {"digital", std::move(m_digital)}, {"analog", std::move(m_analog)}};
    if (!m_gamepad.is_null()) {
        record["gamepad"] = std::move(m_gamepad);
    }
    std::printf("%s\n", record.dump().c_str());
}

void Report::Summary(const std::vector<Action>& actions) const
{
    json summary = {{"frames", m_options.frames}, {"events", m_events}, {"devices", m_devices}};
    if (!m_options.json) {
        std::printf("\nsummary: %d frames, %d changes\n", m_options.frames, m_events);
    }
    for (const Action& action : actions) {
        if (action.digital) {
            summary["actions"][action.name] = {{"presses", action.presses}, {"releases", action.releases}};
            if (!m_options.json) {
                std::printf("  %-16s %d pressed, %d released\n", action.name.c_str(), action.presses,
                            action.releases);
            }
        } else {
            summary["actions"][action.name] = {
                {"changes", action.changes}, {"x", Rounded(action.x)}, {"y", Rounded(action.y)}};
            if (!m_options.json) {
                std::printf("  %-16s %d changes, last %s\n", action.name.c_str(), action.changes,
                            Value(action, action.x, action.y).c_str());
            }
        }
    }
    if (m_options.json) {
        std::printf("%s\n", json{{"summary", summary}}.dump().c_str());
    }
}

}  // namespace olva::demo
