#include "bindings_model.h"

#include <cctype>
#include <cstdlib>
#include <utility>

namespace olva::check {

namespace {

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

const char* KindName(OLVA_Device_InputType type) noexcept
{
    switch (type) {
    case OLVA_INPUT_TYPE_NONE:
        return "none";
    case OLVA_INPUT_TYPE_OTHER:
        return "other";
    case OLVA_INPUT_TYPE_TOUCH:
        return "touch";
    case OLVA_INPUT_TYPE_JOYSTICK:
        return "joystick";
    case OLVA_INPUT_TYPE_GAMEPAD:
        return "gamepad";
    default:
        return "unknown";
    }
}

const char* DeviceName(OLVA_DeviceType device) noexcept
{
    return device == OLVA_DEVICE_TYPE_LEFT_CONTROLLER  ? "left" :
           device == OLVA_DEVICE_TYPE_RIGHT_CONTROLLER ? "right" :
                                                         "gamepad";
}

bool ParseControllerSetup(std::string_view spec, ControllerSetup& out, std::string& error)
{
    using olva::input::LowerKey;
    out = ControllerSetup{};
    out.spec = std::string(Trim(spec));
    out.name = out.spec;
    if (out.spec == "none") {
        return true;
    }
    std::string_view rest = out.spec;
    while (true) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = Trim(rest.substr(0, comma));
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos) {
            error = "expected DEVICE=KIND, got \"" + std::string(item) + "\"";
            return false;
        }
        const std::string device = LowerKey(Trim(item.substr(0, equals)));
        const std::string kind = LowerKey(Trim(item.substr(equals + 1)));
        OLVA_DeviceType deviceType = 0;
        if (device == "left") {
            deviceType = OLVA_DEVICE_TYPE_LEFT_CONTROLLER;
        } else if (device == "right") {
            deviceType = OLVA_DEVICE_TYPE_RIGHT_CONTROLLER;
        } else if (device == "gamepad") {
            deviceType = OLVA_DEVICE_TYPE_GAMEPAD;
        } else {
            error = "unknown device \"" + device + "\" (left, right or gamepad)";
            return false;
        }
        uint64_t reported = 0;
        if (kind == "joystick") {
            reported = OLVA_INPUT_TYPE_JOYSTICK;
        } else if (kind == "touch") {
            reported = OLVA_INPUT_TYPE_TOUCH;
        } else if (kind == "gamepad") {
            reported = OLVA_INPUT_TYPE_GAMEPAD;
        } else if (kind == "other") {
            reported = OLVA_INPUT_TYPE_OTHER;
        } else if (!kind.empty() && kind.find_first_not_of("0123456789") == std::string::npos && kind.size() < 19) {
            reported = std::strtoull(kind.c_str(), nullptr, 10);
        } else {
            error = "unknown kind \"" + kind + "\" (joystick, touch, gamepad, other or a number)";
            return false;
        }
        if (out.table.count(deviceType) != 0) {
            error = "device \"" + device + "\" given twice";
            return false;
        }
        // What the manifest load stores for the runtime's answer.
        out.table[deviceType] = olva::input::StoredInputType(deviceType, reported);
        if (comma == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(comma + 1);
    }
    return true;
}

std::vector<ControllerSetup> DefaultControllerSetups()
{
    std::vector<ControllerSetup> setups;
    const std::pair<const char*, const char*> defaults[] = {
        {"left-hand joystick controller", "left=joystick"},
        {"right-hand touch controller", "right=touch"},
        {"gamepad only", "gamepad=gamepad"},
        {"no controllers", "none"},
    };
    for (const auto& [name, spec] : defaults) {
        ControllerSetup setup;
        std::string unused;
        ParseControllerSetup(spec, setup, unused);
        setup.name = name;
        setups.push_back(std::move(setup));
    }
    return setups;
}

const char* SelectionReason(olva::input::SelectionRule rule) noexcept
{
    using olva::input::SelectionRule;
    switch (rule) {
    case SelectionRule::LeftJoystick:
        return "the left-hand controller is a joystick controller";
    case SelectionRule::RightTouch:
        return "the right-hand controller is a touch controller (and the left-hand one no joystick controller)";
    case SelectionRule::Gamepad:
        return "a gamepad is present and no hand controller matched an entry";
    case SelectionRule::JoystickFallback:
        break;
    }
    return "no controller matched an entry, so the \"OLVA_JoyStick\" entry is the fallback";
}

}  // namespace olva::check
