#include "input/documents.h"

#include "input/olva_input.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>

namespace olva::input {

// ---- Locations such as default_bindings[1].controller_type or
// bindings["/actions/main"].sources[0].path

namespace {

bool IsPlainMember(std::string_view key) noexcept
{
    if (key.empty()) {
        return false;
    }
    for (char c : key) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!plain) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string JsonMemberLocation(const std::string& base, std::string_view key)
{
    if (IsPlainMember(key)) {
        return base.empty() ? std::string(key) : base + "." + std::string(key);
    }
    return base + "[\"" + std::string(key) + "\"]";
}

std::string JsonElementLocation(const std::string& base, unsigned index)
{
    return base + "[" + std::to_string(index) + "]";
}

namespace {

DocumentError Fail(const std::string& file, std::string location, std::string reason)
{
    return DocumentError{file, std::move(location), std::move(reason)};
}

// What JsonCpp's accessors accept without throwing.
bool ObjectOrNull(const Json::Value& value) noexcept { return value.isObject() || value.isNull(); }
// asString converts null, strings, numbers and booleans; arrays and objects throw.
bool ReadsAsText(const Json::Value& value) noexcept { return !value.isArray() && !value.isObject(); }
// Indexing walks [0, size()): an object with members throws at its first
// element, anything else that is not an array has no elements.
bool IndexableOrEmpty(const Json::Value& value) noexcept { return !value.isObject() || value.empty(); }

// The first error of JsonCpp's report ("* Line 1, Column 1\n  Syntax error:
// ...\n"), on one line.
std::string FirstParseError(const std::string& report)
{
    std::string text;
    std::size_t start = 0;
    int lines = 0;
    while (start < report.size() && lines < 2) {
        std::size_t end = report.find('\n', start);
        if (end == std::string::npos) {
            end = report.size();
        }
        std::string_view line(report.data() + start, end - start);
        while (!line.empty() && (line.front() == ' ' || line.front() == '*')) {
            line.remove_prefix(1);
        }
        if (!line.empty()) {
            text += text.empty() ? "" : ": ";
            text += line;
            ++lines;
        }
        start = end + 1;
    }
    return text.empty() ? std::string("not valid JSON") : "not valid JSON: " + text;
}

bool StartsWithUserPath(std::string_view path, std::string_view userPath) noexcept
{
    return path.size() >= userPath.size() && EqualsIgnoreCase(path.substr(0, userPath.size()), userPath);
}

}  // namespace

// ---- Reading

bool IsValidUtf8(std::string_view text) noexcept
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        uint32_t codePoint = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07u;
        } else {
            return false;  // continuation byte, overlong two-byte lead, or beyond U+10FFFF
        }
        if (size - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0u) != 0x80u) {
                return false;
            }
            codePoint = (codePoint << 6) | (bytes[i + k] & 0x3Fu);
        }
        if ((length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000) || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

ReadStatus ReadJsonDocument(const std::string& path, Json::Value& out, DocumentError* error)
{
    auto fail = [&](ReadStatus status, std::string reason) {
        if (error != nullptr) {
            *error = DocumentError{path, std::string(), std::move(reason)};
        }
        return status;
    };
    if (!IsValidUtf8(path)) {
        return fail(ReadStatus::InvalidPath, "the path is not valid UTF-8");
    }
    // Only regular files are opened: a directory would open and then fail to
    // read, and a FIFO could block for ever.
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        out = Json::Value(Json::objectValue);
        return ReadStatus::Unopened;
    }
    std::ifstream file(path, std::ios::in | std::ios::binary);
    if (!file.is_open()) {
        out = Json::Value(Json::objectValue);
        return ReadStatus::Unopened;
    }
    std::string text;
    char buffer[16384];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(file.gcount()));
    }
    if (file.bad()) {
        return fail(ReadStatus::ReadFailed, "the file could not be read");
    }

    // The reader behind stream extraction, with the same default settings.
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value document;
    std::string report;
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &document, &report)) {
            return fail(ReadStatus::InvalidJson, FirstParseError(report));
        }
    } catch (const Json::Exception& e) {  // nesting deeper than the reader's limit
        return fail(ReadStatus::InvalidJson, std::string("not valid JSON: ") + e.what());
    }
    out = std::move(document);
    return ReadStatus::Parsed;
}

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

// ---- Shape checks

std::optional<DocumentError> ValidateManifest(const Json::Value& manifest, const std::string& file)
{
    if (!ObjectOrNull(manifest)) {
        return Fail(file, "", "the top level must be an object");
    }
    if (manifest.isNull()) {
        return std::nullopt;
    }

    const Json::Value& defaults = manifest["default_bindings"];
    if (!defaults.isNull() && !defaults.isArray()) {
        return Fail(file, "default_bindings", "must be an array");
    }
    for (Json::ArrayIndex i = 0; i < defaults.size(); ++i) {
        const std::string at = JsonElementLocation("default_bindings", i);
        if (!defaults[i].isObject()) {
            return Fail(file, at, "must be an object");
        }
        if (!defaults[i]["controller_type"].isString()) {
            return Fail(file, JsonMemberLocation(at, "controller_type"), "must be a string");
        }
    }

    const Json::Value& sets = manifest["action_sets"];
    if (!IndexableOrEmpty(sets)) {
        return Fail(file, "action_sets", "must be an array");
    }
    if (sets.isArray()) {
        for (Json::ArrayIndex i = 0; i < sets.size(); ++i) {
            const std::string at = JsonElementLocation("action_sets", i);
            if (!ObjectOrNull(sets[i])) {
                return Fail(file, at, "must be an object");
            }
            for (const char* key : {"name", "usage"}) {
                if (!ReadsAsText(sets[i][key])) {
                    return Fail(file, JsonMemberLocation(at, key), "must be a string");
                }
            }
        }
    }

    const Json::Value& actions = manifest["actions"];
    if (!IndexableOrEmpty(actions)) {
        return Fail(file, "actions", "must be an array");
    }
    if (actions.isArray()) {
        // A lookup stops at the first element whose name matches, so only
        // that element's "type" is ever read.
        std::set<std::string, std::less<>> seen;
        for (Json::ArrayIndex i = 0; i < actions.size(); ++i) {
            const std::string at = JsonElementLocation("actions", i);
            if (!actions[i].isObject()) {
                return Fail(file, at, "must be an object");
            }
            const Json::Value& name = actions[i]["name"];
            if (!name.isString()) {
                return Fail(file, JsonMemberLocation(at, "name"), "must be a string");
            }
            if (seen.insert(LowerKey(name.asString())).second && !ReadsAsText(actions[i]["type"])) {
                return Fail(file, JsonMemberLocation(at, "type"), "must be a string");
            }
        }
    }
    return std::nullopt;
}

std::optional<DocumentError> ReadBindingUrl(const Json::Value& manifest, int chosen, const std::string& file,
                                            std::string& url)
{
    if (chosen < 0) {
        return Fail(file, "default_bindings", "no entry for the controllers present and no \"OLVA_JoyStick\" entry");
    }
    if (!manifest.isObject() || !manifest["default_bindings"].isArray() ||
        static_cast<Json::ArrayIndex>(chosen) >= manifest["default_bindings"].size() ||
        !manifest["default_bindings"][static_cast<Json::ArrayIndex>(chosen)].isObject()) {
        return Fail(file, JsonElementLocation("default_bindings", static_cast<Json::ArrayIndex>(chosen)), "no such entry");
    }
    const Json::Value& value = manifest["default_bindings"][static_cast<Json::ArrayIndex>(chosen)]["binding_url"];
    if (!ReadsAsText(value)) {
        return Fail(file, JsonMemberLocation(JsonElementLocation("default_bindings", static_cast<Json::ArrayIndex>(chosen)), "binding_url"),
                    "must be a string");
    }
    url = value.asString();
    return std::nullopt;
}

std::vector<std::string> DeclaredActionSetNames(const Json::Value& manifest)
{
    std::vector<std::string> names;
    if (!manifest.isObject() || !manifest["action_sets"].isArray()) {
        return names;
    }
    const Json::Value& sets = manifest["action_sets"];
    for (Json::ArrayIndex i = 0; i < sets.size(); ++i) {
        names.push_back(sets[i].isObject() ? LowerKey(sets[i]["name"].asString()) : std::string());
    }
    return names;
}

std::optional<DocumentError> ValidateBindings(const Json::Value& bindings, const std::vector<std::string>& setNames,
                                              const std::string& file)
{
    if (setNames.empty()) {
        return std::nullopt;
    }
    if (!ObjectOrNull(bindings)) {
        return Fail(file, "", "the top level must be an object");
    }
    const Json::Value& all = bindings.isNull() ? bindings : bindings["bindings"];
    if (!ObjectOrNull(all)) {
        return Fail(file, "bindings", "must be an object");
    }
    std::set<std::string_view> checked;
    for (const std::string& name : setNames) {
        if (!checked.insert(name).second || all.isNull()) {
            continue;
        }
        const std::string setAt = JsonMemberLocation("bindings", name);
        const Json::Value& set = all[name];
        if (!ObjectOrNull(set)) {
            return Fail(file, setAt, "must be an object");
        }
        const Json::Value& sources = set.isNull() ? set : set["sources"];
        if (!IndexableOrEmpty(sources)) {
            return Fail(file, JsonMemberLocation(setAt, "sources"), "must be an array");
        }
        if (!sources.isArray()) {
            continue;
        }
        for (Json::ArrayIndex i = 0; i < sources.size(); ++i) {
            const std::string at = JsonElementLocation(JsonMemberLocation(setAt, "sources"), i);
            const Json::Value& source = sources[i];
            if (!ObjectOrNull(source)) {
                return Fail(file, at, "must be an object");
            }
            if (source.isNull()) {
                continue;
            }
            const Json::Value& parameters = source["parameters"];
            if (!ObjectOrNull(parameters)) {
                return Fail(file, JsonMemberLocation(at, "parameters"), "must be an object");
            }
            const Json::Value& subMode = parameters.isNull() ? parameters : parameters["sub_mode"];
            if (!subMode.isNull() && !subMode.isString()) {
                return Fail(file, JsonMemberLocation(JsonMemberLocation(at, "parameters"), "sub_mode"), "must be a string");
            }
            const Json::Value& inputs = source["inputs"];
            if (!ObjectOrNull(inputs)) {
                return Fail(file, JsonMemberLocation(at, "inputs"), "must be an object");
            }
            bool hasOutput = false;
            for (std::string_view key : kInputKeys) {
                if (inputs.isNull()) {
                    break;
                }
                const Json::Value& input = inputs[std::string(key)];
                const std::string inputAt = JsonMemberLocation(JsonMemberLocation(at, "inputs"), key);
                if (!ObjectOrNull(input)) {
                    return Fail(file, inputAt, "must be an object");
                }
                const Json::Value& output = input.isNull() ? input : input["output"];
                if (!output.isNull() && !output.isString()) {
                    return Fail(file, JsonMemberLocation(inputAt, "output"), "must be a string");
                }
                hasOutput = hasOutput || !output.isNull();
            }
            // The rest is read only while making action sources, that is
            // for a source with an output, and beyond "path" only for a
            // source under a hand's user path.
            if (!hasOutput) {
                continue;
            }
            if (!ReadsAsText(source["path"])) {
                return Fail(file, JsonMemberLocation(at, "path"), "must be a string");
            }
            const std::string path = source["path"].asString();
            if (!StartsWithUserPath(path, "/user/hand/left") && !StartsWithUserPath(path, "/user/hand/right")) {
                continue;
            }
            if (!ReadsAsText(source["mode"])) {
                return Fail(file, JsonMemberLocation(at, "mode"), "must be a string");
            }
            for (const char* key : {"click_activate_threshold", "click_deactivate_threshold"}) {
                double value = -1.0;
                if (!parameters.isNull() && !ReadThreshold(parameters[key], value)) {
                    return Fail(file, JsonMemberLocation(JsonMemberLocation(at, "parameters"), key), "must be a number or a text holding one");
                }
            }
        }
    }
    return std::nullopt;
}

// ---- Values that building reads

bool ReadThreshold(const Json::Value& parameter, double& value) noexcept
{
    switch (parameter.type()) {
    case Json::nullValue:
        value = -1.0;
        return true;
    case Json::intValue:
    case Json::uintValue:
    case Json::realValue:
        value = parameter.asDouble();
        return true;
    case Json::stringValue: {
        const char* text = parameter.asCString();
        char* end = nullptr;
        errno = 0;
        const double parsed = std::strtod(text, &end);
        if (end == text || errno == ERANGE) {
            return false;
        }
        value = parsed;
        return true;
    }
    default:
        return false;  // booleans ("true", "false"), arrays, objects
    }
}

std::string_view InputCategoryOf(std::string_view componentPath) noexcept
{
    for (std::string_view button : {"/input/a", "/input/b", "/input/x", "/input/y", "/input/menu", "/input/system",
                                    "/input/application_menu"}) {
        if (componentPath == button) {
            return "button";
        }
    }
    if (componentPath == "/input/trigger" || componentPath == "/input/grip") {
        return "trigger";
    }
    return "joystick";
}

}  // namespace olva::input
