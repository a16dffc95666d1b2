#include "scenario.h"

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace olva::sim {

namespace {

using nlohmann::json;

constexpr std::array<std::string_view, kSlotCount> kSlotNames = {"right", "left", "gamepad"};
constexpr std::array<std::string_view, kControlCount> kControlNames = {"trigger", "grip", "a", "b",
                                                                        "x", "y", "menu", "thumbstick"};

// A failed check: the place in the document and what is wrong there.
struct Problem {
    std::string where;
    std::string what;
};

// Quoted and escaped, so that control characters in a scenario text cannot
// garble the message line.
std::string Quoted(const std::string& text)
{
    return json(text).dump(-1, ' ', true, json::error_handler_t::replace);
}

std::string Join(const std::string& where, std::string_view key)
{
    return where.empty() ? std::string(key) : where + "." + std::string(key);
}

std::string Index(const std::string& where, std::size_t i) { return where + "[" + std::to_string(i) + "]"; }

// The deepest bracket nesting outside of strings. nlohmann parses and frees
// documents without recursion, but a bound keeps the work per byte small and
// the messages meaningful.
int NestingDepth(std::string_view text)
{
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    bool escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return deepest;
}

void RejectUnknownKeys(const json& object, const std::string& where, std::initializer_list<std::string_view> known)
{
    for (const auto& item : object.items()) {
        bool isKnown = false;
        for (std::string_view key : known) {
            isKnown = isKnown || item.key() == key;
        }
        if (!isKnown) {
            std::string expected;
            for (std::string_view key : known) {
                expected += (expected.empty() ? "" : ", ") + std::string(key);
            }
            throw Problem{where.empty() ? "top level" : where,
                          "unknown key " + Quoted(item.key()) + " (expected " + expected + ")"};
        }
    }
}

const json& RequireObject(const json& value, const std::string& where)
{
    if (!value.is_object()) {
        throw Problem{where.empty() ? "top level" : where, "must be an object"};
    }
    return value;
}

const json& RequireArray(const json& value, const std::string& where)
{
    if (!value.is_array()) {
        throw Problem{where, "must be an array"};
    }
    return value;
}

float RangedNumber(const json& value, const std::string& where, double low, double high)
{
    if (!value.is_number()) {
        throw Problem{where, "must be a number"};
    }
    const double number = value.get<double>();
    if (!std::isfinite(number) || number < low || number > high) {
        std::ostringstream message;
        message << "must lie in [" << low << ", " << high << "], not " << value.dump();
        throw Problem{where, message.str()};
    }
    return static_cast<float>(number);
}

Kind ParseKind(const json& value, const std::string& where)
{
    if (value.is_string()) {
        const std::string& text = value.get_ref<const std::string&>();
        for (Kind kind : {Kind::Touch, Kind::Joystick, Kind::Gamepad}) {
            if (text == KindName(kind)) {
                return kind;
            }
        }
        throw Problem{where, "unknown controller kind " + Quoted(text) + " (expected touch, joystick or gamepad)"};
    }
    throw Problem{where, "must be a controller kind: \"touch\", \"joystick\" or \"gamepad\""};
}

ControlSet ParseControls(const json& value, const std::string& where)
{
    RequireArray(value, where);
    ControlSet set = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const json& element = value[i];
        const std::string place = Index(where, i);
        if (!element.is_string()) {
            throw Problem{place, "must be a control name"};
        }
        const std::string& name = element.get_ref<const std::string&>();
        bool found = false;
        for (std::size_t c = 0; c < kControlCount && !found; ++c) {
            if (name == kControlNames[c]) {
                set |= Bit(static_cast<Control>(c));
                found = true;
            }
        }
        if (!found) {
            throw Problem{place, "unknown control " + Quoted(name) +
                                     " (expected trigger, grip, a, b, x, y, menu or thumbstick)"};
        }
    }
    return set;
}

ControllerChange ParseChange(const json& value, const std::string& where)
{
    RequireObject(value, where);
    RejectUnknownKeys(value, where, {"connected", "pressed", "touched", "stick", "trigger", "grip"});
    ControllerChange change;
    if (auto it = value.find("connected"); it != value.end()) {
        if (!it->is_boolean()) {
            throw Problem{Join(where, "connected"), "must be true or false"};
        }
        change.connected = it->get<bool>();
    }
    if (auto it = value.find("pressed"); it != value.end()) {
        change.pressed = ParseControls(*it, Join(where, "pressed"));
    }
    if (auto it = value.find("touched"); it != value.end()) {
        change.touched = ParseControls(*it, Join(where, "touched"));
    }
    if (auto it = value.find("stick"); it != value.end()) {
        const std::string place = Join(where, "stick");
        if (!it->is_array() || it->size() != 2) {
            throw Problem{place, "must be an array of two numbers [x, y]"};
        }
        change.stick = std::array<float, 2>{RangedNumber((*it)[0], Index(place, 0), -1.0, 1.0),
                                            RangedNumber((*it)[1], Index(place, 1), -1.0, 1.0)};
    }
    if (auto it = value.find("trigger"); it != value.end()) {
        change.trigger = RangedNumber(*it, Join(where, "trigger"), 0.0, 1.0);
    }
    if (auto it = value.find("grip"); it != value.end()) {
        change.grip = RangedNumber(*it, Join(where, "grip"), 0.0, 1.0);
    }
    return change;
}

uint64_t ParseFeatures(const json& value, const std::string& where)
{
    RequireArray(value, where);
    uint64_t mask = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const json& element = value[i];
        const bool single = element.is_number_unsigned() && element.get<uint64_t>() != 0 &&
                            (element.get<uint64_t>() & (element.get<uint64_t>() - 1)) == 0;
        if (!single) {
            throw Problem{Index(where, i), "must be a feature value with exactly one bit set, e.g. 256"};
        }
        mask |= element.get<uint64_t>();
    }
    return mask;
}

Scenario ParseDocument(const json& document)
{
    RequireObject(document, "");
    RejectUnknownKeys(document, "", {"name", "description", "controllers", "xr_features", "timeline"});

    Scenario scenario;
    if (auto it = document.find("name"); it != document.end()) {
        if (!it->is_string()) {
            throw Problem{"name", "must be a string"};
        }
        scenario.name = it->get<std::string>();
    }
    if (auto it = document.find("description"); it != document.end() && !it->is_string()) {
        throw Problem{"description", "must be a string"};
    }

    const auto controllers = document.find("controllers");
    if (controllers == document.end()) {
        throw Problem{"top level", "missing key \"controllers\""};
    }
    RequireObject(*controllers, "controllers");
    RejectUnknownKeys(*controllers, "controllers", {"right", "left", "gamepad"});
    for (Slot slot : kSlots) {
        if (auto it = controllers->find(std::string(SlotName(slot))); it != controllers->end()) {
            scenario.controllers[static_cast<std::size_t>(slot)] =
                ParseKind(*it, Join("controllers", SlotName(slot)));
        }
    }
    if (controllers->empty()) {
        throw Problem{"controllers", "names no controller (expected right, left and/or gamepad)"};
    }

    if (auto it = document.find("xr_features"); it != document.end()) {
        scenario.xrFeatures = ParseFeatures(*it, "xr_features");
    }

    if (auto timeline = document.find("timeline"); timeline != document.end()) {
        RequireArray(*timeline, "timeline");
        for (std::size_t i = 0; i < timeline->size(); ++i) {
            const json& entry = (*timeline)[i];
            const std::string where = Index("timeline", i);
            RequireObject(entry, where);
            RejectUnknownKeys(entry, where, {"frame", "comment", "right", "left", "gamepad"});

            Keyframe keyframe;
            const auto frame = entry.find("frame");
            if (frame == entry.end()) {
                throw Problem{where, "missing key \"frame\""};
            }
            if (!frame->is_number_integer() || frame->get<int64_t>() < 0 || frame->get<int64_t>() > kMaxFrame ||
                (frame->is_number_unsigned() && frame->get<uint64_t>() > static_cast<uint64_t>(kMaxFrame))) {
                throw Problem{Join(where, "frame"),
                              "must be a whole number from 0 to " + std::to_string(kMaxFrame)};
            }
            keyframe.frame = frame->get<int64_t>();
            if (!scenario.timeline.empty() && keyframe.frame <= scenario.timeline.back().frame) {
                throw Problem{Join(where, "frame"), "must be greater than the frame of the entry before (" +
                                                        std::to_string(scenario.timeline.back().frame) + ")"};
            }
            if (auto it = entry.find("comment"); it != entry.end() && !it->is_string()) {
                throw Problem{Join(where, "comment"), "must be a string"};
            }
            for (Slot slot : kSlots) {
                const auto change = entry.find(std::string(SlotName(slot)));
                if (change == entry.end()) {
                    continue;
                }
                const std::string place = Join(where, SlotName(slot));
                if (!scenario.controllers[static_cast<std::size_t>(slot)]) {
                    throw Problem{place, "names a controller that \"controllers\" does not declare"};
                }
                keyframe.changes[static_cast<std::size_t>(slot)] = ParseChange(*change, place);
            }
            scenario.timeline.push_back(std::move(keyframe));
        }
    }
    return scenario;
}

std::string StripExceptionPrefix(const std::string& message)
{
    // "[json.exception.parse_error.101] parse error at ..." -> "parse error at ..."
    if (!message.empty() && message.front() == '[') {
        if (const auto end = message.find("] "); end != std::string::npos) {
            return message.substr(end + 2);
        }
    }
    return message;
}

}  // namespace

bool ControllerState::operator==(const ControllerState& other) const
{
    return connected == other.connected && pressed == other.pressed && touched == other.touched &&
           stickX == other.stickX && stickY == other.stickY && trigger == other.trigger && grip == other.grip;
}

void ControllerChange::ApplyTo(ControllerState& state) const
{
    if (connected) {
        state.connected = *connected;
    }
    if (pressed) {
        state.pressed = *pressed;
    }
    if (touched) {
        state.touched = *touched;
    }
    if (stick) {
        state.stickX = (*stick)[0];
        state.stickY = (*stick)[1];
    }
    if (trigger) {
        state.trigger = *trigger;
    }
    if (grip) {
        state.grip = *grip;
    }
}

bool ParseScenario(std::string_view text, Scenario& out, std::string& error)
{
    if (text.size() > kMaxScenarioBytes) {
        error = "larger than " + std::to_string(kMaxScenarioBytes) + " bytes";
        return false;
    }
    if (NestingDepth(text) > kMaxNestingDepth) {
        error = "nested deeper than " + std::to_string(kMaxNestingDepth) + " levels";
        return false;
    }
    try {
        const json document = json::parse(text.begin(), text.end(), nullptr, true, false);
        Scenario parsed = ParseDocument(document);
        out = std::move(parsed);
        return true;
    } catch (const Problem& problem) {
        error = problem.where + ": " + problem.what;
    } catch (const json::exception& e) {
        error = StripExceptionPrefix(e.what());
    } catch (const std::exception& e) {
        error = e.what();
    }
    return false;
}

bool LoadScenarioFile(const std::string& path, Scenario& out, std::string& error)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        error = path + ": not a regular file";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = path + ": cannot open the scenario file";
        return false;
    }
    std::string text;
    char buffer[8192];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (text.size() > kMaxScenarioBytes) {
            break;  // ParseScenario reports the size
        }
    }
    if (file.bad()) {
        error = path + ": cannot read the scenario file";
        return false;
    }
    std::string problem;
    if (!ParseScenario(text, out, problem)) {
        error = path + ": " + problem;
        return false;
    }
    return true;
}

std::string_view SlotName(Slot slot) { return kSlotNames[static_cast<std::size_t>(slot)]; }

std::string_view KindName(Kind kind)
{
    switch (kind) {
    case Kind::Touch:
        return "touch";
    case Kind::Joystick:
        return "joystick";
    case Kind::Gamepad:
        return "gamepad";
    }
    return "?";
}

std::string_view ControlName(Control control) { return kControlNames[static_cast<std::size_t>(control)]; }

}  // namespace olva::sim
