// The action-based input registry: action sets, actions and input sources by
// name, the parsed manifest and binding documents, and the controller table.
//
// Nothing here sees the C ABI: the exported entry points in src/api/ check
// pointers, stop exceptions and call the member of the same name.
#pragma once

#include <olva/olva_framework.h>

#include "input/record_pool.h"

#include <json/json.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace olva::input {

enum class Hand : uint8_t { Left, Right };

// What an action's type makes of it, decided once when the action is created
// (the type never changes afterwards).
enum class ActionClass : uint8_t {
    Digital,  // "boolean"
    Analog,   // "single", "vector1", "vector2", "vector3"
    Other,    // anything else, "<unset>" among them: every query refuses it
};

ActionClass ClassifyActionType(std::string_view type);

}  // namespace olva::input

struct InputSnapshot {
    uint64_t clickStates = 0;
    uint64_t touchStates = 0;
    OLVA_Vector2f analog[3] = {};  // 0: joystick or trackpad, 1: trigger, 2: grip
};

struct OLVA_XrActionSet {
    std::string name;   // lower-cased; also the member name under "bindings"
    std::string usage;  // as written in the manifest
};

struct OLVA_XrActionSource {
    std::string inputKind;  // "click", "position", "touch", "pull", "north", ...
    std::string mode;
    std::string path;
    std::string userPath;  // first 15 or 16 characters of path, as written
    std::string inputCategory;  // "button", "trigger" or "joystick"
    std::string actionSetName;
    std::string subMode;
    double clickActivateThreshold = -1.0;
    double clickDeactivateThreshold = -1.0;
    uint32_t lastStateLeft = 0;
    uint32_t lastStateRight = 0;

    // Facts fixed when the source is built, so that a query does no string
    // work. A source belongs to exactly one hand's list, and its component
    // path is path without that hand's user path.
    uint8_t digitalRule = 0;  // number of the first matching digital rule, 0 for none
    int8_t analogSlot = -1;   // index into InputSnapshot::analog, -1 for none
};

struct OLVA_XrAction {
    std::string name;
    std::string type;
    unsigned long leftInputValue = 0;
    unsigned long rightInputValue = 0;
    std::vector<OLVA_XrActionSource*> leftSources;
    std::vector<OLVA_XrActionSource*> rightSources;

    olva::input::ActionClass actionClass = olva::input::ActionClass::Other;
};

struct OLVA_XrInputValue {
    std::string path;  // canonical user path
    bool previousValid = false;
    bool currentValid = false;
    InputSnapshot previous;
    InputSnapshot current;
    bool connected = false;
};

namespace olva::input {

// Records are allocated once and never released, so a handle (a record's
// address) stays valid until the process ends. They live in pools reachable
// from static storage, which also keeps leak checkers quiet.
OLVA_XrActionSet* NewActionSet();
OLVA_XrAction* NewAction();
OLVA_XrActionSource* NewActionSource();
OLVA_XrInputValue* NewInputValue();

extern RecordPool<OLVA_XrActionSet> g_actionSetPool;
extern RecordPool<OLVA_XrAction> g_actionPool;
extern RecordPool<OLVA_XrActionSource> g_actionSourcePool;
extern RecordPool<OLVA_XrInputValue> g_inputValuePool;

// The record a handle from the application names, or null when the value is
// not a record of that kind this library issued. Nothing is read through the
// value before it is known to be one: a stale variable, a handle of another
// kind or any other number is refused without touching memory it points to.
inline OLVA_XrAction* ActionFromHandle(unsigned long handle) noexcept
{
    return g_actionPool.Find(handle);
}
inline OLVA_XrInputValue* InputValueFromHandle(unsigned long handle) noexcept
{
    return g_inputValuePool.Find(handle);
}

// Lower-cases byte by byte with tolower, as every registry key is.
std::string LowerKey(std::string_view name);
// Equal length and equal bytes after tolower on both sides.
bool EqualsIgnoreCase(std::string_view a, std::string_view b) noexcept;

template <typename Record>
using Registry = std::map<std::string, Record*, std::less<>>;

}  // namespace olva::input

class olva_input {
public:
    // The process-wide registry, constructed on first use (thread-safe).
    static olva_input* getInstance();
    // True once the process-wide registry has been destroyed at exit.
    static bool isDestroyed() noexcept;

    // Constructible on its own for tests and tools; the library uses only
    // getInstance().
    olva_input() = default;
    olva_input(const olva_input&) = delete;
    olva_input& operator=(const olva_input&) = delete;

    // ---- Manifest and binding files
    int32_t OLVA_XrActionManifestPath(void* runtime, const char* manifestPath);

    // Replaces the manifest document and the index of its declared actions.
    void ReplaceManifest(Json::Value manifest);

    // ---- Handle lookup
    int32_t OLVA_GetXrActionSetHandle(void* runtime, const char* name, unsigned long* actionSet);
    int32_t OLVA_GetXrActionHandle(void* runtime, const char* name, unsigned long* action);
    int32_t OLVA_GetXrInputSourceHandle(void* runtime, const char* path, unsigned long* inputSource);

    // ---- Action set building (once, from the first state update)
    // Builds every registered action set in ascending key order, then sets
    // m_actionSetsBuilt. All or nothing: a build that fails attaches no
    // source, leaves the flag false and returns OLVA_RESULT_INVALID_ARGUMENT.
    int32_t OLVA_BuildAllXrActionSets(void* runtime);
    void OLVA_BuildXrActionSet(void* runtime, const OLVA_XrActionSet* actionSet);
    void OLVA_ProcessXrInputSource(void* runtime, Json::Value source, unsigned long action, std::string inputKind,
                                   std::string subMode, std::string actionSetName);

    // ---- Per-frame update
    int32_t OLVA_UpdateXrActionState(void* runtime, OLVA_XrActiveActionSet* activeActionSets, unsigned int,
                                     unsigned int);

    // ---- Digital action data
    int32_t OLVA_GetXrActionDigitalData(void* runtime, unsigned long action, OLVA_XrInputDigitalActionData* data,
                                        unsigned int, unsigned long inputSource);
    void OLVA_UpdateXrActionDigitalData(OLVA_DeviceType device, const OLVA_XrAction* action,
                                        OLVA_XrInputDigitalActionData* data);
    void OLVA_DetermineXrActionState(OLVA_Device_InputType inputType, uint64_t inputCode, uint64_t stateMask,
                                     bool previousFlag, bool& flag, OLVA_Vector2f analog,
                                     double clickActivateThreshold, double clickDeactivateThreshold,
                                     bool& currentState, bool& changedState, unsigned int& lastState);

    // ---- Analog action data
    int32_t OLVA_GetXrActionAnalogData(void* runtime, unsigned long action, OLVA_XrInputAnalogActionData* data,
                                       unsigned int, unsigned long inputSource);
    void OLVA_UpdateXrActionAnalogData(OLVA_DeviceType device, const OLVA_XrAction* action,
                                       OLVA_XrInputAnalogActionData* data);

    // ---- State, in declaration order. Public so that tests and the checker
    // tool can inspect it; only the members above change it.
    olva::input::Registry<OLVA_XrAction> m_actionMap;
    olva::input::Registry<OLVA_XrActionSet> m_actionSetMap;
    olva::input::Registry<OLVA_XrInputValue> m_inputValueMap;
    bool m_actionSetsBuilt = false;
    Json::Value m_manifest;
    Json::Value m_bindings;
    // The manifest's "actions" by lower-cased name: the index of the first
    // element of each name, which is the one a lookup takes. Rebuilt with
    // every manifest, so first lookups stay logarithmic however many
    // actions the manifest declares.
    std::map<std::string, Json::ArrayIndex, std::less<>> m_declaredActions;
    // Entries are only ever inserted or overwritten in place, never erased
    // or rebuilt, so a pointer to an entry's value stays valid.
    std::map<OLVA_DeviceType, OLVA_Device_InputType> m_deviceInputTypes;

    // The controller table entries of the two hands as the digital query
    // reads them: looked up (and inserted with input type 0) on first need,
    // then reached through these pointers.
    OLVA_Device_InputType* m_rightInputType = nullptr;
    OLVA_Device_InputType* m_leftInputType = nullptr;
};
