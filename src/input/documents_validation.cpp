// The shape checks of the manifest and binding documents, the values that
// building reads from a binding source, and the JSON locations the checks
// name.
#include "input/documents.h"

#include "input/olva_input.h"

#include <cerrno>
#include <cstdlib>
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

bool StartsWithUserPath(std::string_view path, std::string_view userPath) noexcept
{
    return path.size() >= userPath.size() && EqualsIgnoreCase(path.substr(0, userPath.size()), userPath);
}

}  // namespace

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
