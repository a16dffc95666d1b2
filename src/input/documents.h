// The action manifest and binding documents on their own: reading a JSON file,
// choosing a "default_bindings" entry for the controllers present, forming
// the binding file's path, and checking that a document has the shape that
// loading, handle lookup and action set building will read.
//
// The registry loads through these functions, and tools use them to explain
// what the library does with a given pair of files. None of them touches the
// registry, and none throws on any document (only std::bad_alloc can leave).
#pragma once

#include <olva/olva_framework.h>

#include <json/json.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace olva::input {

// Why a document cannot be used. Reason texts are short sentences meant to be
// shown as they are.
struct DocumentError {
    std::string file;      // the document's path as given
    std::string location;  // where in the document, e.g. "default_bindings[1].controller_type"; empty: the whole file
    std::string reason;    // e.g. "must be a string"
};

// ---- Reading

enum class ReadStatus {
    Parsed,       // `out` holds the parsed document
    Unopened,     // not a regular file, or it cannot be opened: `out` is an empty object, loading goes on
    InvalidPath,  // the path is not valid UTF-8; `out` untouched
    ReadFailed,   // opened, yet reading failed part way; `out` untouched
    InvalidJson,  // not valid JSON (an empty file included); `out` untouched
};

// True when `text` is well-formed UTF-8: no overlong forms, no surrogates,
// nothing above U+10FFFF, no truncated sequence.
bool IsValidUtf8(std::string_view text) noexcept;

// Reads the file at `path` (UTF-8) as raw bytes and parses it as JsonCpp's
// stream extraction does with its default settings (comments allowed, text
// after the top-level value ignored). When the status is neither Parsed nor
// Unopened, `error` (if given) receives the reason, with `file` set to path.
ReadStatus ReadJsonDocument(const std::string& path, Json::Value& out, DocumentError* error = nullptr);

// ---- Choosing a default binding

// Index into "default_bindings" of the last entry of each controller kind,
// -1 when there is none.
struct DefaultBindingIndexes {
    int touch = -1;     // "OLVA_Touch"
    int joystick = -1;  // "OLVA_JoyStick"
    int gamepad = -1;   // "OLVA_GamePad"
};

// Which test chose the entry, in the order they are tried.
enum class SelectionRule {
    LeftJoystick,      // left-hand controller (4) reports input type 3, and there is a joystick entry
    RightTouch,        // right-hand controller (3) reports input type 2, and there is a touch entry
    Gamepad,           // gamepad (13) reports input type 4, and there is a gamepad entry
    JoystickFallback,  // none of the above: the joystick entry, if any
};

struct BindingSelection {
    DefaultBindingIndexes indexes;
    int chosen = -1;  // index into "default_bindings"; -1: nothing can be selected
    SelectionRule rule = SelectionRule::JoystickFallback;
};

using ControllerTable = std::map<OLVA_DeviceType, OLVA_Device_InputType>;

// Scans "default_bindings" in array order, matching "controller_type"
// against the three keywords without regard to ASCII case; later entries
// replace earlier ones. Entries that are not objects or whose
// "controller_type" is not a string are passed over (ValidateManifest
// rejects them).
DefaultBindingIndexes ScanDefaultBindings(const Json::Value& manifest);

// The controller table entry a runtime answer gives: device 13 keeps input
// type 4, devices 3 and 4 keep 2 or 3; anything else, including an answer
// that was never written (preset 0), becomes 1.
OLVA_Device_InputType StoredInputType(OLVA_DeviceType device, uint64_t reported) noexcept;

// Applies the selection order to `table`. Like the registry, every entry it
// looks at (4, then 3, then 13, as far as it gets) is inserted with input
// type 0 when absent.
BindingSelection SelectDefaultBinding(const DefaultBindingIndexes& indexes, ControllerTable& table);

// A short name for a rule, e.g. "left-hand joystick controller".
const char* DescribeSelectionRule(SelectionRule rule) noexcept;

// ---- Binding file path

// The manifest path up to (not including) its last "/" or "\", then "/",
// then the URL, which is never taken as absolute: "a\\m.json" + "b.json"
// gives "a/b.json", "m.json" + "b.json" gives "/b.json", and "d/m.json" +
// "/b.json" gives "d//b.json".
std::string BindingFilePath(std::string_view manifestPath, std::string_view bindingUrl);

// ---- Shape checks
//
// Each rejects exactly what the later reading would fail on, and nothing
// more, so every document that loads and builds today still loads.

// The manifest: a top level that is an object (or null); "default_bindings"
// entries that are objects with a string "controller_type"; "action_sets"
// elements that are objects (or null) whose "name" and "usage" read as text;
// "actions" elements that are objects with a string "name", and a "type"
// that reads as text on the element a lookup of its name would match.
// "action_sets" and "actions" must be arrays when they have members.
std::optional<DocumentError> ValidateManifest(const Json::Value& manifest, const std::string& file);

// The "binding_url" of the chosen entry, which must read as text (a number
// or boolean gives its JSON text). Call after ValidateManifest.
std::optional<DocumentError> ReadBindingUrl(const Json::Value& manifest, int chosen, const std::string& file,
                                            std::string& url);

// The action set names (as registered: lower-cased) that a manifest
// registers, in array order. Call after ValidateManifest.
std::vector<std::string> DeclaredActionSetNames(const Json::Value& manifest);

// The binding document, as far as building the named action sets reads it:
// the path bindings.<set>.sources[i], each source's "inputs".<key>."output"
// for the eight input keys, "parameters"."sub_mode", and for a source with
// an output its "path" and "mode", and, for a source under a hand's user
// path, its thresholds. Members of sets not named are not looked at.
std::optional<DocumentError> ValidateBindings(const Json::Value& bindings, const std::vector<std::string>& setNames,
                                              const std::string& file);

// ---- Values that building reads

// The eight input keys of a binding source, in the order they are visited.
inline constexpr std::string_view kInputKeys[8] = {"click", "position", "touch", "pull",
                                                   "north", "south",    "east",  "west"};

// A threshold parameter: null gives -1.0, a number its value, a string the
// longest leading number (as strtod reads it, leading white space skipped).
// False for anything else, for a string that does not start with a number
// and for a value out of range; `value` is then unchanged.
bool ReadThreshold(const Json::Value& parameter, double& value) noexcept;

// Input category of a component path, compared with exact letter case:
// "button", "trigger" or "joystick".
std::string_view InputCategoryOf(std::string_view componentPath) noexcept;

// JSON locations as the checks above write them: a plain member name after a
// dot (default_bindings[1].controller_type), any other in brackets and quotes
// (bindings["/actions/main"]), an element by index.
std::string JsonMemberLocation(const std::string& base, std::string_view key);
std::string JsonElementLocation(const std::string& base, unsigned index);

}  // namespace olva::input
