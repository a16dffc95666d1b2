// Turning names into handles. The per-frame update looks up both hands'
// input sources on every call, so a lookup of a present key lower-cases
// into a stack buffer and allocates nothing.
#include "input/olva_input.h"

#include <cctype>
#include <cstring>

using namespace olva::input;

namespace {

// A name lower-cased byte by byte, on the stack when it is short.
class FoldedName {
public:
    explicit FoldedName(const char* name)
    {
        const std::size_t length = std::strlen(name);
        if (length <= sizeof m_buffer) {
            for (std::size_t i = 0; i < length; ++i) {
                m_buffer[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
            }
            m_view = std::string_view(m_buffer, length);
        } else {
            m_long = LowerKey(std::string_view(name, length));
            m_view = m_long;
        }
    }
    FoldedName(const FoldedName&) = delete;
    FoldedName& operator=(const FoldedName&) = delete;

    std::string_view view() const noexcept { return m_view; }
    std::string str() const { return std::string(m_view); }

private:
    char m_buffer[64];
    std::string m_long;
    std::string_view m_view;
};

template <typename Record>
unsigned long HandleOf(const Record* record) noexcept
{
    return reinterpret_cast<unsigned long>(record);
}

// The manifest as lookups read it: never modified by reading.
const Json::Value& MemberOf(const Json::Value& document, const char* key)
{
    static const Json::Value null;
    return document.isObject() ? document[key] : null;
}

constexpr std::string_view kUserPaths[] = {"/user/head", "/user/hand/left", "/user/hand/right", "/user/gamepad"};

}  // namespace

void olva_input::ReplaceManifest(Json::Value manifest)
{
    std::map<std::string, Json::ArrayIndex, std::less<>> declared;
    const Json::Value& actions = MemberOf(manifest, "actions");
    for (Json::ArrayIndex i = 0; actions.isArray() && i < actions.size(); ++i) {
        const Json::Value& name = actions[i]["name"];
        if (name.isString()) {
            declared.emplace(LowerKey(name.asString()), i);  // keeps the first of each name
        }
    }
    m_manifest = std::move(manifest);
    m_declaredActions = std::move(declared);
}

int32_t olva_input::OLVA_GetXrActionSetHandle(void* runtime, const char* name, unsigned long* actionSet)
{
    if (runtime == nullptr) {
        return OLVA_RESULT_INVALID_RUNTIME;
    }
    if (name == nullptr || actionSet == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    const FoldedName key(name);
    if (const auto found = m_actionSetMap.find(key.view()); found != m_actionSetMap.end()) {
        *actionSet = HandleOf(found->second);
        return 0;
    }
    // Sets are registered by loading a manifest; only while none declares
    // any does a new name get a demo set of its own.
    if (!MemberOf(m_manifest, "action_sets").isNull()) {
        return 0;
    }
    OLVA_XrActionSet* record = NewActionSet();
    record->name = "/actions/demo";
    record->usage = "leftright";
    m_actionSetMap.emplace(key.str(), record);
    *actionSet = HandleOf(record);
    return 0;
}

int32_t olva_input::OLVA_GetXrActionHandle(void* runtime, const char* name, unsigned long* action)
{
    if (runtime == nullptr) {
        return OLVA_RESULT_INVALID_RUNTIME;
    }
    if (name == nullptr || action == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    const FoldedName key(name);
    if (const auto found = m_actionMap.find(key.view()); found != m_actionMap.end()) {
        *action = HandleOf(found->second);
        return 0;
    }

    // The first declared action of that name (ignoring case) gives the
    // record its name as written there and its type.
    std::string actionName;
    std::string type = "<unset>";
    if (const auto declared = m_declaredActions.find(key.view()); declared != m_declaredActions.end()) {
        const Json::Value& element = MemberOf(m_manifest, "actions")[declared->second];
        actionName = element["name"].asString();
        type = element["type"].asString();
    } else {
        actionName = key.str();
    }

    OLVA_XrAction* record = NewAction();
    record->name = std::move(actionName);
    record->type = std::move(type);
    record->actionClass = ClassifyActionType(record->type);
    m_actionMap.emplace(key.str(), record);
    *action = HandleOf(record);
    return 0;
}

int32_t olva_input::OLVA_GetXrInputSourceHandle(void* runtime, const char* path, unsigned long* inputSource)
{
    if (runtime == nullptr) {
        return OLVA_RESULT_INVALID_RUNTIME;
    }
    if (path == nullptr || inputSource == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    const FoldedName key(path);
    if (const auto found = m_inputValueMap.find(key.view()); found != m_inputValueMap.end()) {
        *inputSource = HandleOf(found->second);
        return 0;
    }
    for (std::string_view userPath : kUserPaths) {
        if (EqualsIgnoreCase(key.view(), userPath)) {
            OLVA_XrInputValue* record = NewInputValue();
            record->path = std::string(userPath);
            m_inputValueMap.emplace(key.str(), record);
            *inputSource = HandleOf(record);
            return 0;
        }
    }
    return OLVA_RESULT_INVALID_ARGUMENT;
}
