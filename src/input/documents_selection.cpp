// Choosing a "default_bindings" entry for the controllers present, and the
// path of the binding file it names.
#include "input/documents.h"

#include "input/olva_input.h"

namespace olva::input {

// ---- Choosing a default binding

DefaultBindingIndexes ScanDefaultBindings(const Json::Value& manifest)
{
    DefaultBindingIndexes indexes;
    if (!manifest.isObject()) {
        return indexes;
    }
    const Json::Value& defaults = manifest["default_bindings"];
    if (!defaults.isArray()) {
        return indexes;
    }
    for (Json::ArrayIndex i = 0; i < defaults.size(); ++i) {
        const Json::Value& entry = defaults[i];
        if (!entry.isObject() || !entry["controller_type"].isString()) {
            continue;
        }
        const std::string type = entry["controller_type"].asString();
        const int index = static_cast<int>(i);
        if (EqualsIgnoreCase(type, "OLVA_Touch")) {
            indexes.touch = index;
        } else if (EqualsIgnoreCase(type, "OLVA_JoyStick")) {
            indexes.joystick = index;
        } else if (EqualsIgnoreCase(type, "OLVA_GamePad")) {
            indexes.gamepad = index;
        }
    }
    return indexes;
}

OLVA_Device_InputType StoredInputType(OLVA_DeviceType device, uint64_t reported) noexcept
{
    if (device == OLVA_DEVICE_TYPE_GAMEPAD) {
        return reported == OLVA_INPUT_TYPE_GAMEPAD ? OLVA_INPUT_TYPE_GAMEPAD : OLVA_INPUT_TYPE_OTHER;
    }
    if (reported == OLVA_INPUT_TYPE_TOUCH || reported == OLVA_INPUT_TYPE_JOYSTICK) {
        return static_cast<OLVA_Device_InputType>(reported);
    }
    return OLVA_INPUT_TYPE_OTHER;
}

BindingSelection SelectDefaultBinding(const DefaultBindingIndexes& indexes, ControllerTable& table)
{
    BindingSelection selection;
    selection.indexes = indexes;
    if (table[OLVA_DEVICE_TYPE_LEFT_CONTROLLER] == OLVA_INPUT_TYPE_JOYSTICK && indexes.joystick != -1) {
        selection.chosen = indexes.joystick;
        selection.rule = SelectionRule::LeftJoystick;
    } else if (table[OLVA_DEVICE_TYPE_RIGHT_CONTROLLER] == OLVA_INPUT_TYPE_TOUCH && indexes.touch != -1) {
        selection.chosen = indexes.touch;
        selection.rule = SelectionRule::RightTouch;
    } else if (table[OLVA_DEVICE_TYPE_GAMEPAD] == OLVA_INPUT_TYPE_GAMEPAD && indexes.gamepad != -1) {
        selection.chosen = indexes.gamepad;
        selection.rule = SelectionRule::Gamepad;
    } else {
        selection.chosen = indexes.joystick;
        selection.rule = SelectionRule::JoystickFallback;
    }
    return selection;
}

const char* DescribeSelectionRule(SelectionRule rule) noexcept
{
    switch (rule) {
    case SelectionRule::LeftJoystick:
        return "left-hand joystick controller";
    case SelectionRule::RightTouch:
        return "right-hand touch controller";
    case SelectionRule::Gamepad:
        return "gamepad";
    case SelectionRule::JoystickFallback:
        break;
    }
    return "joystick fallback";
}

// ---- Binding file path

std::string BindingFilePath(std::string_view manifestPath, std::string_view bindingUrl)
{
    const std::size_t separator = manifestPath.find_last_of("/\\");
    std::string path(separator == std::string_view::npos ? std::string_view() : manifestPath.substr(0, separator));
    path += '/';
    path += bindingUrl;
    return path;
}

}  // namespace olva::input
