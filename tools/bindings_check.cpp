#include "bindings_check.h"

#include "findings.h"
#include "terminal.h"

#include "input/digital_rules.h"
#include "input/olva_input.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <map>
#include <set>

namespace olva::check {

namespace {

using olva::input::ActionClass;
using olva::input::BindingSelection;
using olva::input::ControllerTable;
using olva::input::DocumentError;
using olva::input::EqualsIgnoreCase;
using olva::input::LowerKey;
using olva::input::ReadStatus;

constexpr std::string_view kLeftHand = "/user/hand/left";
constexpr std::string_view kRightHand = "/user/hand/right";
constexpr std::size_t kLeft = 0;
constexpr std::size_t kRight = 1;
constexpr const char* kHandNames[2] = {"left", "right"};
// The set that an action set lookup makes when the manifest declares none.
constexpr const char* kDemoActionSet = "/actions/demo";

// ---- Controller setups

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

bool ParseControllerSetup(std::string_view spec, ControllerSetup& out, std::string& error)
{
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

namespace {

// ---- What the library does with one source

struct Verdict {
    std::string effect;  // "digital", "analog", "none"
    int rule = 0;        // digital rule number
    int slot = -1;       // analog slot
    std::string text;    // what happens, for people
    std::string code;    // a warning's code when the source silently does nothing
    // For a bit decision: the mask and the bit number per controller kind.
    std::string mask;
    int joystickBit = -1;
    int touchBit = -1;
    std::string direction;  // for a direction decision
};

const char* ButtonName(olva::input::Button button) noexcept
{
    using olva::input::Button;
    switch (button) {
    case Button::A: return "A";
    case Button::B: return "B";
    case Button::X: return "X";
    case Button::Y: return "Y";
    case Button::Menu: return "menu";
    case Button::Grip: return "grip";
    case Button::Trigger: return "trigger";
    case Button::Thumb: return "thumb";
    }
    return "?";
}

const char* DirectionName(olva::input::Direction direction) noexcept
{
    using olva::input::Direction;
    switch (direction) {
    case Direction::East: return "east";
    case Direction::West: return "west";
    case Direction::North: return "north";
    case Direction::South: return "south";
    }
    return "?";
}

std::string BitText(uint64_t mask)
{
    char hex[24];
    std::snprintf(hex, sizeof hex, "0x%llx", static_cast<unsigned long long>(mask));
    return "bit " + std::to_string(__builtin_ctzll(mask)) + " (" + hex + ")";
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

bool RulePathMatches(const olva::input::DigitalRule& rule, std::string_view component)
{
    return EqualsIgnoreCase(component, rule.componentPaths[0]) ||
           (!rule.componentPaths[1].empty() && EqualsIgnoreCase(component, rule.componentPaths[1]));
}

// The rule table's verdict on a boolean action's source; when no rule
// recognises it, the reason is read from the table as well.
Verdict DigitalVerdict(std::string_view component, std::string_view inputKind, std::string_view mode)
{
    using olva::input::Decision;
    Verdict verdict;
    const olva::input::DigitalRule* rule =
        olva::input::DigitalRuleByNumber(olva::input::MatchDigitalRule(component, inputKind, mode));
    if (rule != nullptr && rule->decision != Decision::Never) {
        verdict.effect = "digital";
        verdict.rule = rule->number;
        const std::string prefix = "rule " + std::to_string(rule->number) + ": ";
        if (rule->decision == Decision::Direction) {
            verdict.direction = DirectionName(rule->direction);
            verdict.text = prefix + verdict.direction + " of the stick or pad position (analog[0])";
        } else {
            const char* mask = rule->decision == Decision::ClickBit ? "click" : "touch";
            verdict.mask = mask;
            verdict.joystickBit = __builtin_ctzll(olva::input::ButtonBit(rule->button, OLVA_INPUT_TYPE_JOYSTICK));
            verdict.touchBit = __builtin_ctzll(olva::input::ButtonBit(rule->button, OLVA_INPUT_TYPE_TOUCH));
            verdict.text = prefix + ButtonName(rule->button) + " " + mask + ", " +
                           BitText(olva::input::ButtonBit(rule->button, OLVA_INPUT_TYPE_JOYSTICK)) + " joystick / " +
                           BitText(olva::input::ButtonBit(rule->button, OLVA_INPUT_TYPE_TOUCH)).substr(4) + " touch";
        }
        return verdict;
    }

    verdict.effect = "none";
    if (rule != nullptr) {
        verdict.rule = rule->number;
        verdict.code = "system-button";
        verdict.text = "never reported: rule " + std::to_string(rule->number) + " recognises " + Quoted(component) +
                       " only to report nothing";
        return verdict;
    }
    bool pathKnown = false;
    bool kindKnown = false;
    std::string modeNeeded;
    std::vector<std::string> kindsOfPath;
    for (const olva::input::DigitalRule& candidate : olva::input::kDigitalRules) {
        const bool kindMatches = candidate.inputKind.empty() || EqualsIgnoreCase(inputKind, candidate.inputKind);
        kindKnown = kindKnown || (!candidate.inputKind.empty() && kindMatches);
        if (!RulePathMatches(candidate, component)) {
            continue;
        }
        pathKnown = true;
        const std::string kind = Quoted(candidate.inputKind);
        if (!candidate.inputKind.empty() && std::find(kindsOfPath.begin(), kindsOfPath.end(), kind) == kindsOfPath.end()) {
            kindsOfPath.push_back(kind);
        }
        if (kindMatches && !candidate.mode.empty()) {
            modeNeeded = std::string(candidate.mode);
        }
    }
    if (!modeNeeded.empty()) {
        verdict.code = "direction-needs-dpad";
        verdict.text = "never active: input " + Quoted(inputKind) + " on " + Quoted(component) +
                       " is read only with mode " + Quoted(modeNeeded) + ", not " + Quoted(mode);
    } else if (!kindKnown) {
        verdict.code = "input-kind-not-digital";
        verdict.text = "never active: no rule reads input " + Quoted(inputKind) + " for a boolean action";
    } else if (!pathKnown) {
        verdict.code = "unrecognised-source";
        verdict.text = "never active: no rule reads " + Quoted(component);
    } else {
        std::string kinds;
        for (const std::string& kind : kindsOfPath) {
            kinds += (kinds.empty() ? "" : " and ") + kind;
        }
        verdict.code = "unrecognised-source";
        verdict.text = "never active: on " + Quoted(component) + " a boolean action reads only " + kinds;
    }
    return verdict;
}

const char* SlotName(int slot) noexcept
{
    switch (slot) {
    case 0: return "stick or pad position";
    case 1: return "trigger";
    case 2: return "grip";
    default: return "?";
    }
}

// ---- The model of one binding file as the library builds it

struct SourceUse {
    std::string setName;
    std::string inputKey;
    std::string location;  // of the input's "output"
    std::string path;
    std::string mode;
    std::string component;
    Verdict verdict;
};

struct ActionReport {
    std::string key;   // lower-cased name, the registry key
    std::string name;  // as the registry records it
    std::string type;
    bool declared = false;
    ActionClass actionClass = ActionClass::Other;
    std::string firstOutput;  // location of the first output naming it
    int manifestIndex = -1;   // its element of "actions"; -1 when undeclared
    std::vector<SourceUse> hands[2];  // in evaluation order
};

struct SetBinding {
    std::string name;
    bool present = false;  // has a member under "bindings"
    unsigned sources = 0;
};

struct BindingFileReport {
    std::string url;
    std::string path;
    std::vector<std::string> setups;
    ReadStatus status = ReadStatus::Unopened;
    bool usable = false;  // read and accepted
    std::vector<SetBinding> sets;
    std::vector<ActionReport> actions;
    bool withTouchController = false;  // selected for a setup with a touch controller hand
};

struct SetupReport {
    const ControllerSetup* setup = nullptr;
    BindingSelection selection;
    std::string controllerType;  // of the chosen entry
    std::string url;
    std::string path;
    bool selected = false;
    std::string problem;  // why nothing is selected
};

// The element of "actions" that a lookup of this name finds: the first whose
// "name" matches without regard to ASCII case; -1 when none.
int DeclaredActionIndex(const Json::Value& manifest, std::string_view name)
{
    if (!manifest.isObject() || !manifest["actions"].isArray()) {
        return -1;
    }
    const Json::Value& actions = manifest["actions"];
    for (Json::ArrayIndex i = 0; i < actions.size(); ++i) {
        if (EqualsIgnoreCase(actions[i]["name"].asString(), name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void AddDocumentError(Findings& findings, std::string code, const DocumentError& error)
{
    findings.Add(Severity::Error, std::move(code), error.file, error.location, error.reason);
}

class BindingsChecker {
public:
    BindingsChecker(const BindingsOptions& options) : m_options(options) {}

    void Run();
    void PrintHuman(std::ostream& out) const;
    nlohmann::ordered_json ToJson() const;
    const Findings& findings() const { return m_findings; }

private:
    bool ReadManifest();
    void CheckDefaultBindings();
    void SelectForSetups();
    void CheckBindingFile(BindingFileReport& file);
    void WalkSources(const Json::Value& document, BindingFileReport& file);
    ActionReport& ActionFor(BindingFileReport& file, const std::string& outputName, const std::string& location);
    void JudgeActions(BindingFileReport& file);
    void CheckSharedTouchBits(const BindingFileReport& file);

    // The binding path of a manifest path without a directory starts at "/".
    std::string NoDirectoryHint() const
    {
        return m_options.manifest.find_first_of("/\\") == std::string::npos ?
                   " (the manifest path names no directory, so binding files are looked for under \"/\"; "
                   "write it as ./" + m_options.manifest + ")" :
                   std::string();
    }

    // Reads go through a const view: a non-const subscript would insert
    // members into the document.
    const Json::Value& Manifest() const { return m_manifest; }

    // A binding URL is always placed after the manifest's directory.
    static std::string AbsoluteUrlHint(const std::string& url)
    {
        return !url.empty() && (url[0] == '/' || url[0] == '\\') ?
                   " (a binding_url is always relative to the manifest's directory, even when it starts with \"" +
                       url.substr(0, 1) + "\")" :
                   std::string();
    }

    const BindingsOptions& m_options;
    Findings m_findings;
    Json::Value m_manifest;
    std::vector<std::string> m_setNames;  // declared, lower-cased, in array order
    std::vector<SetupReport> m_setups;
    std::vector<BindingFileReport> m_files;
};

void BindingsChecker::Run()
{
    if (!ReadManifest()) {
        return;
    }
    CheckDefaultBindings();
    SelectForSetups();
    for (BindingFileReport& file : m_files) {
        CheckBindingFile(file);
    }
}

bool BindingsChecker::ReadManifest()
{
    const std::string& path = m_options.manifest;
    DocumentError error;
    const ReadStatus status = olva::input::ReadJsonDocument(path, m_manifest, &error);
    if (status == ReadStatus::Unopened) {
        m_findings.Add(Severity::Error, "manifest-missing", path, "",
                       "the file cannot be opened; the library then reads an empty manifest, from which no "
                       "binding can be selected");
        return false;
    }
    if (status != ReadStatus::Parsed) {
        AddDocumentError(m_findings, status == ReadStatus::InvalidJson ? "invalid-json" : "unreadable-document", error);
        return false;
    }
    if (auto invalid = olva::input::ValidateManifest(m_manifest, path)) {
        AddDocumentError(m_findings, "invalid-document", *invalid);
        return false;
    }
    m_setNames = olva::input::DeclaredActionSetNames(m_manifest);
    if (m_manifest.isObject() && !Manifest()["action_sets"].isNull()) {
        if (m_setNames.empty()) {
            m_findings.Add(Severity::Warning, "no-action-sets", path, "action_sets",
                           "the manifest declares no action sets, so no binding is ever built");
        }
        return true;
    }
    // Without "action_sets", an action set lookup before the first state
    // update registers the demo set, and the library loads and builds the
    // binding file for it.
    m_setNames.push_back(kDemoActionSet);
    m_findings.Add(Severity::Warning, "no-action-sets", path, "action_sets",
                   "the manifest declares no action sets: bindings are built only for \"" +
                       std::string(kDemoActionSet) +
                       "\", and only when the application asks for an action set handle before its first update");
    return true;
}

// Entries that no controller setup can select, and binding files that are
// named but missing.
void BindingsChecker::CheckDefaultBindings()
{
    const Json::Value& defaults = m_manifest.isObject() ? Manifest()["default_bindings"] : Json::Value::nullSingleton();
    const olva::input::DefaultBindingIndexes last = olva::input::ScanDefaultBindings(m_manifest);
    for (Json::ArrayIndex i = 0; i < defaults.size(); ++i) {
        const std::string at = olva::input::JsonElementLocation("default_bindings", i);
        const Json::Value& entry = defaults[i];
        // The library's own scan, on this entry alone, tells its kind.
        Json::Value alone(Json::objectValue);
        alone["default_bindings"].append(entry);
        const olva::input::DefaultBindingIndexes kind = olva::input::ScanDefaultBindings(alone);
        const std::string type = entry["controller_type"].asString();
        int lastOfKind = -1;
        if (kind.touch == 0) {
            lastOfKind = last.touch;
        } else if (kind.joystick == 0) {
            lastOfKind = last.joystick;
        } else if (kind.gamepad == 0) {
            lastOfKind = last.gamepad;
        } else {
            m_findings.Add(Severity::Warning, "entry-never-selected", m_options.manifest,
                           olva::input::JsonMemberLocation(at, "controller_type"),
                           Quoted(type) + " is none of \"OLVA_Touch\", \"OLVA_JoyStick\" and \"OLVA_GamePad\" "
                                          "(in any letter case), so this entry is never selected");
            continue;
        }
        if (lastOfKind != static_cast<int>(i)) {
            m_findings.Add(Severity::Warning, "entry-never-selected", m_options.manifest, at,
                           "default_bindings[" + std::to_string(lastOfKind) +
                               "], a later entry of the same controller type, replaces this one, which is never "
                               "selected");
            continue;
        }
        const Json::Value& url = entry["binding_url"];
        if (url.isArray() || url.isObject()) {
            continue;  // rejected when selected; see SelectForSetups
        }
        const std::string file = olva::input::BindingFilePath(m_options.manifest, url.asString());
        Json::Value ignored;
        if (olva::input::ReadJsonDocument(file, ignored) == ReadStatus::Unopened) {
            m_findings.Add(Severity::Warning, "binding-file-missing", m_options.manifest, olva::input::JsonMemberLocation(at, "binding_url"),
                           "names " + Quoted(url.asString()) + ", but " + file +
                               " cannot be opened; when this entry is selected the library reads empty bindings "
                               "and no action gets a source" + NoDirectoryHint() + AbsoluteUrlHint(url.asString()));
        }
    }
}

void BindingsChecker::SelectForSetups()
{
    const olva::input::DefaultBindingIndexes indexes = olva::input::ScanDefaultBindings(m_manifest);
    for (const ControllerSetup& setup : m_options.setups) {
        SetupReport report;
        report.setup = &setup;
        ControllerTable table = setup.table;
        report.selection = olva::input::SelectDefaultBinding(indexes, table);
        std::string url;
        if (auto problem = olva::input::ReadBindingUrl(m_manifest, report.selection.chosen, m_options.manifest, url)) {
            report.problem = problem->reason;
            AddDocumentError(m_findings, report.selection.chosen < 0 ? "no-binding-selected" : "invalid-document",
                             *problem);
            m_setups.push_back(std::move(report));
            continue;
        }
        report.selected = true;
        report.controllerType =
            Manifest()["default_bindings"][static_cast<Json::ArrayIndex>(report.selection.chosen)]["controller_type"]
                .asString();
        report.url = url;
        report.path = olva::input::BindingFilePath(m_options.manifest, url);
        auto file = std::find_if(m_files.begin(), m_files.end(),
                                 [&](const BindingFileReport& f) { return f.path == report.path; });
        if (file == m_files.end()) {
            m_files.push_back(BindingFileReport{url, report.path, {}, ReadStatus::Unopened, false, {}, {}});
            file = m_files.end() - 1;
        }
        file->setups.push_back(setup.name);
        for (OLVA_DeviceType hand : {OLVA_DEVICE_TYPE_LEFT_CONTROLLER, OLVA_DEVICE_TYPE_RIGHT_CONTROLLER}) {
            const auto found = setup.table.find(hand);
            file->withTouchController |= found != setup.table.end() && found->second == OLVA_INPUT_TYPE_TOUCH;
        }
        m_setups.push_back(std::move(report));
    }
}

void BindingsChecker::CheckBindingFile(BindingFileReport& file)
{
    Json::Value document;
    DocumentError error;
    file.status = olva::input::ReadJsonDocument(file.path, document, &error);
    if (file.status == ReadStatus::Unopened) {
        return;  // reported with the entry that names it
    }
    if (file.status != ReadStatus::Parsed) {
        AddDocumentError(m_findings, file.status == ReadStatus::InvalidJson ? "invalid-json" : "unreadable-document",
                         error);
        return;
    }
    if (auto invalid = olva::input::ValidateBindings(document, m_setNames, file.path)) {
        AddDocumentError(m_findings, "invalid-document", *invalid);
        return;
    }
    file.usable = true;
    WalkSources(document, file);
    // Declared actions in manifest order, then the undeclared in order of use.
    std::stable_sort(file.actions.begin(), file.actions.end(), [](const ActionReport& a, const ActionReport& b) {
        const auto rank = [](const ActionReport& r) { return r.declared ? r.manifestIndex : INT32_MAX; };
        return rank(a) < rank(b);
    });
    JudgeActions(file);
}

ActionReport& BindingsChecker::ActionFor(BindingFileReport& file, const std::string& outputName,
                                         const std::string& location)
{
    const std::string key = LowerKey(outputName);
    auto found = std::find_if(file.actions.begin(), file.actions.end(),
                              [&](const ActionReport& action) { return action.key == key; });
    if (found != file.actions.end()) {
        return *found;
    }
    // As the lookup creates it: the manifest's name and type, or the
    // lower-cased name and "<unset>".
    ActionReport action;
    action.key = key;
    action.firstOutput = location;
    const int declared = DeclaredActionIndex(m_manifest, outputName);
    if (declared >= 0) {
        const Json::Value& element = Manifest()["actions"][static_cast<Json::ArrayIndex>(declared)];
        action.declared = true;
        action.manifestIndex = declared;
        action.name = element["name"].asString();
        action.type = element["type"].asString();
    } else {
        action.name = key;
        action.type = "<unset>";
    }
    action.actionClass = olva::input::ClassifyActionType(action.type);
    file.actions.push_back(std::move(action));
    return file.actions.back();
}

// Walks the sources in the order the library builds them: action sets by
// ascending registered name, then sources in array order, then the eight
// input keys in their fixed order.
void BindingsChecker::WalkSources(const Json::Value& document, BindingFileReport& file)
{
    const std::set<std::string> registered(m_setNames.begin(), m_setNames.end());
    const Json::Value& all = document.isObject() ? document["bindings"] : Json::Value::nullSingleton();

    if (all.isObject()) {
        for (const std::string& key : all.getMemberNames()) {
            if (registered.count(key) != 0) {
                continue;
            }
            const std::string at = olva::input::JsonMemberLocation("bindings", key);
            if (registered.count(LowerKey(key)) != 0) {
                m_findings.Add(Severity::Warning, "set-key-case", file.path, at,
                               "the library looks action sets up under their lower-cased name " +
                                   Quoted(LowerKey(key)) + ", so this key never matches");
            } else {
                m_findings.Add(Severity::Warning, "undeclared-set", file.path, at,
                               "the manifest declares no action set " + Quoted(key) +
                                   ", so these bindings are never built");
            }
        }
    }

    for (const std::string& setName : registered) {
        SetBinding set{setName, all.isObject() && all.isMember(setName), 0};
        const Json::Value& setValue = all.isObject() ? all[setName] : Json::Value::nullSingleton();
        const Json::Value& sources = setValue.isObject() ? setValue["sources"] : Json::Value::nullSingleton();
        if (!sources.isArray()) {
            file.sets.push_back(set);
            continue;
        }
        set.sources = sources.size();
        file.sets.push_back(set);
        const std::string sourcesAt = olva::input::JsonMemberLocation(olva::input::JsonMemberLocation("bindings", setName), "sources");
        for (Json::ArrayIndex i = 0; i < sources.size(); ++i) {
            const Json::Value& source = sources[i];
            const Json::Value& inputs = source.isObject() ? source["inputs"] : Json::Value::nullSingleton();
            if (!inputs.isObject()) {
                continue;
            }
            const std::string sourceAt = olva::input::JsonElementLocation(sourcesAt, i);
            bool ignoredReported = false;
            for (std::string_view inputKey : olva::input::kInputKeys) {
                const Json::Value& input = inputs[std::string(inputKey)];
                const Json::Value& output = input.isObject() ? input["output"] : Json::Value::nullSingleton();
                if (output.isNull()) {
                    continue;
                }
                const std::string outputAt = olva::input::JsonMemberLocation(olva::input::JsonMemberLocation(olva::input::JsonMemberLocation(sourceAt, "inputs"), inputKey), "output");
                ActionReport& action = ActionFor(file, output.asString(), outputAt);
                const std::string path = source["path"].asString();
                std::size_t hand = kLeft;
                std::size_t userPathLength = 0;
                if (path.size() >= kLeftHand.size() && EqualsIgnoreCase(path.substr(0, kLeftHand.size()), kLeftHand)) {
                    userPathLength = kLeftHand.size();
                } else if (path.size() >= kRightHand.size() &&
                           EqualsIgnoreCase(path.substr(0, kRightHand.size()), kRightHand)) {
                    hand = kRight;
                    userPathLength = kRightHand.size();
                } else {
                    if (!ignoredReported) {
                        m_findings.Add(Severity::Warning, "ignored-user-path", file.path, olva::input::JsonMemberLocation(sourceAt, "path"),
                                       Quoted(path) + " is under neither \"/user/hand/left\" nor "
                                                      "\"/user/hand/right\"; the library ignores this source");
                        ignoredReported = true;
                    }
                    continue;
                }
                SourceUse use;
                use.setName = setName;
                use.inputKey = std::string(inputKey);
                use.location = outputAt;
                use.path = path;
                use.mode = source["mode"].asString();
                use.component = path.substr(userPathLength);
                action.hands[hand].push_back(std::move(use));
            }
        }
    }
}

void BindingsChecker::JudgeActions(BindingFileReport& file)
{
    for (ActionReport& action : file.actions) {
        if (action.actionClass == ActionClass::Other) {
            const std::string because = action.declared ? "has type " + Quoted(action.type) :
                                                          "is not declared in the manifest's \"actions\", so its type "
                                                          "is \"<unset>\"";
            m_findings.Add(Severity::Warning, action.declared ? "unsupported-type" : "undeclared-action", file.path,
                           action.firstOutput,
                           "action " + Quoted(action.name) + " " + because +
                               ": every digital and analog query for it returns -8");
        }
        for (std::size_t hand : {kLeft, kRight}) {
            std::map<int, const SourceUse*> firstByRule;
            for (std::size_t i = 0; i < action.hands[hand].size(); ++i) {
                SourceUse& use = action.hands[hand][i];
                Verdict& verdict = use.verdict;
                switch (action.actionClass) {
                case ActionClass::Other:
                    verdict.effect = "none";
                    verdict.text = "never read: the action's type is neither boolean nor analog";
                    break;
                case ActionClass::Digital:
                    verdict = DigitalVerdict(use.component, use.inputKey, use.mode);
                    if (!verdict.code.empty()) {
                        m_findings.Add(Severity::Warning, verdict.code, file.path, use.location,
                                       "boolean action " + Quoted(action.name) + " on " + Quoted(use.path) + " is " +
                                           verdict.text);
                    } else if (const auto [first, inserted] = firstByRule.insert({verdict.rule, &use}); !inserted) {
                        // One rule decides one input with one edge flag, so a
                        // second source it decides (the stick and the pad
                        // included) reads and moves the same flag again.
                        m_findings.Add(Severity::Warning, "duplicate-source", file.path, use.location,
                                       "action " + Quoted(action.name) + " already reads this input on the " +
                                           kHandNames[hand] + " hand through " + Quoted(first->second->path) +
                                           " input " + Quoted(first->second->inputKey) + " (rule " +
                                           std::to_string(verdict.rule) + "); the copy makes it report the input twice");
                    }
                    break;
                case ActionClass::Analog:
                    verdict.slot = i == 0 ? olva::input::AnalogSlotFor(use.component) : -1;
                    if (i > 0) {
                        verdict.effect = "none";
                        verdict.text = "never read: analog data reads only the first source of a hand";
                        m_findings.Add(Severity::Warning, "analog-source-unread", file.path, use.location,
                                       "analog action " + Quoted(action.name) + " reads only its first " +
                                           kHandNames[hand] + "-hand source (" + action.hands[hand][0].path +
                                           "); this one is never read");
                    } else if (verdict.slot < 0) {
                        verdict.effect = "none";
                        verdict.text = "no analog value: reports active with x and y 0";
                        verdict.code = "analog-source-no-value";
                        m_findings.Add(Severity::Warning, verdict.code, file.path, use.location,
                                       "analog action " + Quoted(action.name) + " is bound to " + Quoted(use.path) +
                                           ", which has no analog value; it reports active with 0");
                    } else {
                        verdict.effect = "analog";
                        verdict.text = "analog[" + std::to_string(verdict.slot) + "]: " + SlotName(verdict.slot);
                    }
                    break;
                }
            }
        }
    }

    if (file.withTouchController) {
        CheckSharedTouchBits(file);
    }

    // A file that gives no action any source is one finding, not one per
    // declared action.
    const bool anySource = std::any_of(file.actions.begin(), file.actions.end(), [](const ActionReport& action) {
        return !action.hands[kLeft].empty() || !action.hands[kRight].empty();
    });
    if (!anySource) {
        m_findings.Add(Severity::Warning, "no-sources", file.path, "",
                       "no action gets a source on either hand from this file; when it is selected every action "
                       "stays inactive");
        return;
    }

    // Declared actions that this file leaves without a source on either hand.
    const Json::Value& actions = Manifest()["actions"];
    std::set<std::string> seen;
    for (Json::ArrayIndex i = 0; actions.isArray() && i < actions.size(); ++i) {
        const std::string name = actions[i]["name"].asString();
        if (!seen.insert(LowerKey(name)).second) {
            continue;
        }
        auto found = std::find_if(file.actions.begin(), file.actions.end(),
                                  [&](const ActionReport& action) { return action.key == LowerKey(name); });
        if (found == file.actions.end() || (found->hands[kLeft].empty() && found->hands[kRight].empty())) {
            m_findings.Add(Severity::Warning, "unbound-action", m_options.manifest,
                           olva::input::JsonMemberLocation(olva::input::JsonElementLocation("actions", i), "name"),
                           "action " + Quoted(name) + " has no source on either hand in " + file.path);
        }
    }
}

// The touch controller reports menu, grip and trigger in the B, X and Y
// bits: two different buttons bound on one hand then fire together.
void BindingsChecker::CheckSharedTouchBits(const BindingFileReport& file)
{
    using olva::input::Decision;
    struct FirstUse {
        olva::input::Button button;
        std::string component;
        std::string action;
    };
    for (std::size_t hand : {kLeft, kRight}) {
        std::map<std::pair<Decision, uint64_t>, FirstUse> byBit;
        for (const ActionReport& action : file.actions) {
            if (action.actionClass != ActionClass::Digital) {
                continue;
            }
            for (const SourceUse& use : action.hands[hand]) {
                const olva::input::DigitalRule* rule = olva::input::DigitalRuleByNumber(use.verdict.rule);
                if (use.verdict.effect != "digital" || rule == nullptr || rule->decision == Decision::Direction) {
                    continue;
                }
                const uint64_t bit = olva::input::ButtonBit(rule->button, OLVA_INPUT_TYPE_TOUCH);
                const auto [first, inserted] =
                    byBit.insert({{rule->decision, bit}, FirstUse{rule->button, use.component, action.name}});
                if (inserted || first->second.button == rule->button) {
                    continue;
                }
                const char* mask = rule->decision == Decision::ClickBit ? "click" : "touch";
                m_findings.Add(Severity::Warning, "touch-shared-bit", file.path, use.location,
                               "on a touch controller " + Quoted(first->second.component) + " and " +
                                   Quoted(use.component) + " read the same " + mask + " " + BitText(bit) +
                                   " of the " + kHandNames[hand] + " hand, so " + Quoted(first->second.action) +
                                   " and " + Quoted(action.name) + " turn on together");
            }
        }
    }
}

// ---- Output

std::string DescribeSetup(const ControllerSetup& setup)
{
    return setup.name == setup.spec ? setup.name : setup.name + " (" + setup.spec + ")";
}

// Why the selection went as it did, in words.
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

void PrintWrapped(std::ostream& out, const std::string& text, std::size_t indent, std::size_t hanging = 2)
{
    for (const std::string& line : WrapWords(text, kLineWidth - indent, hanging)) {
        out << std::string(indent, ' ') << line << '\n';
    }
}

// "    label    text", the text wrapped and aligned after the label.
void PrintLabelled(std::ostream& out, const std::string& label, const std::string& text)
{
    constexpr std::size_t kIndent = 4;
    constexpr std::size_t kLabel = 9;
    const auto lines = WrapWords(text, kLineWidth - kIndent - kLabel, 0);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out << std::string(kIndent, ' ') << Pad(i == 0 ? label : "", kLabel) << lines[i] << '\n';
    }
}

}  // namespace

void BindingsChecker::PrintHuman(std::ostream& out) const
{
    const Style style(ColourWanted());
    out << style.Cyan("Manifest") << "  " << m_options.manifest << '\n';

    if (!m_setups.empty()) {
        out << '\n' << style.Bold("Controller setups") << '\n';
    }
    for (const SetupReport& setup : m_setups) {
        out << "  " << DescribeSetup(*setup.setup) << '\n';
        if (setup.selected) {
            PrintLabelled(out, "selects",
                          "default_bindings[" + std::to_string(setup.selection.chosen) + "] " +
                              Quoted(setup.controllerType));
            PrintLabelled(out, "because", SelectionReason(setup.selection.rule));
            PrintLabelled(out, "reads", setup.path);
        } else {
            PrintLabelled(out, "selects", "nothing: " + setup.problem);
        }
    }

    for (const BindingFileReport& file : m_files) {
        out << '\n' << style.Bold("Binding file " + file.path) << '\n';
        std::string setups;
        for (const std::string& name : file.setups) {
            setups += (setups.empty() ? "" : "; ") + name;
        }
        PrintWrapped(out, "selected for: " + setups, 2);
        if (file.status == ReadStatus::Unopened) {
            PrintWrapped(out, "cannot be opened: the library reads empty bindings and no action gets a source", 2);
            continue;
        }
        if (!file.usable) {
            PrintWrapped(out, "rejected by the library (see the errors below)", 2);
            continue;
        }
        out << "  Action sets\n";
        for (const SetBinding& set : file.sets) {
            std::string state = !set.present ? "no member under \"bindings\"" :
                                set.sources == 1 ? "1 source" : std::to_string(set.sources) + " sources";
            out << "    " << Pad(set.name, 30) << ' ' << state << '\n';
        }
        out << "  Actions\n";
        for (const ActionReport& action : file.actions) {
            out << "    " << style.Bold(action.name) << " (" << action.type << (action.declared ? "" : ", undeclared")
                << ")\n";
            // The right hand first: queries evaluate it first, and it wins.
            for (std::size_t hand : {kRight, kLeft}) {
                const auto& uses = action.hands[hand];
                if (uses.empty()) {
                    out << "      " << Pad(kHandNames[hand], 6) << style.Dim("no source") << '\n';
                    continue;
                }
                for (const SourceUse& use : uses) {
                    std::string head = use.path + "  " + use.inputKey;
                    if (!use.mode.empty()) {
                        head += "  mode " + use.mode;
                    }
                    if (m_setNames.size() > 1) {
                        head += "  in " + use.setName;
                    }
                    out << "      " << Pad(kHandNames[hand], 6) << head << '\n';
                    // Wrapped on the plain text, coloured line by line.
                    for (const std::string& line : WrapWords(use.verdict.text, kLineWidth - 12, 2)) {
                        out << std::string(12, ' ')
                            << (use.verdict.effect == "none" ? style.Yellow(line) : line) << '\n';
                    }
                }
            }
        }
    }
    out << '\n';
    m_findings.Print(out, style, m_options.strict);
}

nlohmann::ordered_json BindingsChecker::ToJson() const
{
    using json = nlohmann::ordered_json;
    json report;
    report["command"] = "bindings";
    report["manifest"] = m_options.manifest;
    json setups = json::array();
    for (const SetupReport& setup : m_setups) {
        json controllers = json::object();
        for (const auto& [device, inputType] : setup.setup->table) {
            const char* deviceName = device == OLVA_DEVICE_TYPE_LEFT_CONTROLLER ? "left" :
                                     device == OLVA_DEVICE_TYPE_RIGHT_CONTROLLER ? "right" : "gamepad";
            controllers[deviceName] = KindName(inputType);
        }
        json entry = {{"name", setup.setup->name}, {"spec", setup.setup->spec}, {"controllers", controllers}};
        if (setup.selected) {
            entry["selected"] = {{"index", setup.selection.chosen},
                                 {"controller_type", setup.controllerType},
                                 {"rule", olva::input::DescribeSelectionRule(setup.selection.rule)},
                                 {"reason", SelectionReason(setup.selection.rule)},
                                 {"binding_url", setup.url},
                                 {"binding_file", setup.path}};
        } else {
            entry["selected"] = nullptr;
            entry["reason"] = setup.problem;
        }
        setups.push_back(std::move(entry));
    }
    report["setups"] = std::move(setups);

    json files = json::array();
    for (const BindingFileReport& file : m_files) {
        json entry = {{"file", file.path}, {"binding_url", file.url}, {"setups", file.setups}};
        entry["opened"] = file.status != ReadStatus::Unopened;
        entry["accepted"] = file.usable;
        json sets = json::array();
        for (const SetBinding& set : file.sets) {
            sets.push_back({{"name", set.name}, {"present", set.present}, {"sources", set.sources}});
        }
        entry["action_sets"] = std::move(sets);
        json actions = json::array();
        for (const ActionReport& action : file.actions) {
            json a = {{"name", action.name}, {"type", action.type}, {"declared", action.declared}};
            for (std::size_t hand : {kLeft, kRight}) {
                json uses = json::array();
                for (const SourceUse& use : action.hands[hand]) {
                    json u = {{"action_set", use.setName}, {"path", use.path},        {"input", use.inputKey},
                              {"mode", use.mode},          {"location", use.location}, {"effect", use.verdict.effect},
                              {"description", use.verdict.text}};
                    if (use.verdict.rule != 0) {
                        u["rule"] = use.verdict.rule;
                    }
                    if (!use.verdict.mask.empty()) {
                        u["mask"] = use.verdict.mask;
                        u["bit"] = {{"joystick", use.verdict.joystickBit}, {"touch", use.verdict.touchBit}};
                    }
                    if (!use.verdict.direction.empty()) {
                        u["direction"] = use.verdict.direction;
                    }
                    if (use.verdict.slot >= 0) {
                        u["analog_slot"] = use.verdict.slot;
                    }
                    uses.push_back(std::move(u));
                }
                a[kHandNames[hand]] = std::move(uses);
            }
            actions.push_back(std::move(a));
        }
        entry["actions"] = std::move(actions);
        files.push_back(std::move(entry));
    }
    report["binding_files"] = std::move(files);
    m_findings.AddToJson(report, m_options.strict);
    return report;
}

int RunBindingsCheck(const BindingsOptions& options, std::ostream& out)
{
    BindingsChecker checker(options);
    checker.Run();
    if (options.json) {
        out << checker.ToJson().dump(2) << '\n';
    } else {
        checker.PrintHuman(out);
    }
    return checker.findings().ExitStatus(options.strict);
}

}  // namespace olva::check
