#include "bindings_checker.h"

#include "source_verdict.h"

#include "input/digital_rules.h"

#include <algorithm>
#include <climits>
#include <map>
#include <set>
#include <utility>

namespace olva::check::detail {

using olva::input::ActionClass;
using olva::input::ControllerTable;
using olva::input::DocumentError;
using olva::input::EqualsIgnoreCase;
using olva::input::LowerKey;
using olva::input::ReadStatus;

namespace {

constexpr std::string_view kLeftHand = "/user/hand/left";
constexpr std::string_view kRightHand = "/user/hand/right";

bool StartsWithIgnoringCase(std::string_view path, std::string_view prefix)
{
    return path.size() >= prefix.size() && EqualsIgnoreCase(path.substr(0, prefix.size()), prefix);
}

}  // namespace

void BindingsChecker::CheckBindingFile(BindingFileReport& file)
{
    Json::Value document;
    DocumentError error;
    file.status = olva::input::ReadJsonDocument(file.path, document, &error);
    if (file.status == ReadStatus::Unopened) {
        return;  // reported with the entry that names it
    }
    if (file.status != ReadStatus::Parsed) {
        AddDocumentError(m_report.findings, file.status == ReadStatus::InvalidJson ? "invalid-json" : "unreadable-document",
                         error);
        return;
    }
    if (auto invalid = olva::input::ValidateBindings(document, m_report.setNames, file.path)) {
        AddDocumentError(m_report.findings, "invalid-document", *invalid);
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
    const std::set<std::string> registered(m_report.setNames.begin(), m_report.setNames.end());
    const Json::Value& all = document.isObject() ? document["bindings"] : Json::Value::nullSingleton();

    CheckSetKeys(all, file);

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
            CheckUnknownInputs(inputs, sourceAt, file);
            bool hasOutput = false;
            bool underHand = false;
            for (std::string_view inputKey : olva::input::kInputKeys) {
                const Json::Value& input = inputs[std::string(inputKey)];
                const Json::Value& output = input.isObject() ? input["output"] : Json::Value::nullSingleton();
                if (output.isNull()) {
                    continue;
                }
                hasOutput = true;
                const std::string outputAt = olva::input::JsonMemberLocation(
                    olva::input::JsonMemberLocation(olva::input::JsonMemberLocation(sourceAt, "inputs"), inputKey),
                    "output");
                ActionReport& action = ActionFor(file, output.asString(), outputAt);
                const std::string path = source["path"].asString();
                std::size_t hand = kLeft;
                std::size_t userPathLength = 0;
                if (StartsWithIgnoringCase(path, kLeftHand)) {
                    userPathLength = kLeftHand.size();
                } else if (StartsWithIgnoringCase(path, kRightHand)) {
                    hand = kRight;
                    userPathLength = kRightHand.size();
                } else {
                    continue;
                }
                underHand = true;
                SourceUse use;
                use.setName = setName;
                use.inputKey = std::string(inputKey);
                use.location = outputAt;
                use.path = path;
                use.mode = source["mode"].asString();
                use.component = path.substr(userPathLength);
                action.hands[hand].push_back(std::move(use));
            }
            // Path and mode are read only for a source with an output, and
            // the mode only under a hand.
            if (hasOutput && !underHand) {
                CheckIgnoredPath(source["path"].asString(), olva::input::JsonMemberLocation(sourceAt, "path"), file);
            } else if (underHand) {
                CheckMode(source["mode"].asString(), olva::input::JsonMemberLocation(sourceAt, "mode"), file);
            }
        }
    }
}

// Keys under "bindings" that no registered action set reads.
void BindingsChecker::CheckSetKeys(const Json::Value& all, const BindingFileReport& file)
{
    if (!all.isObject()) {
        return;
    }
    const std::set<std::string> registered(m_report.setNames.begin(), m_report.setNames.end());
    for (const std::string& key : all.getMemberNames()) {
        if (registered.count(key) != 0) {
            continue;
        }
        const std::string at = olva::input::JsonMemberLocation("bindings", key);
        if (registered.count(LowerKey(key)) != 0) {
            m_report.findings.Add(Severity::Warning, "set-key-case", file.path, at,
                                  "the library looks action sets up under their lower-cased name " +
                                      Quoted(LowerKey(key)) + ", so this key never matches");
        } else {
            m_report.findings.Add(Severity::Warning, "undeclared-set", file.path, at,
                                  "the manifest declares no action set " + Quoted(key) +
                                      ", so these bindings are never built" + DidYouMean(key, m_report.setNames));
        }
    }
}

// Members of "inputs" other than the eight input keys are never looked at;
// the keys are member names, so their letter case must be exact.
void BindingsChecker::CheckUnknownInputs(const Json::Value& inputs, const std::string& sourceAt,
                                         const BindingFileReport& file)
{
    static const std::vector<std::string> kKeys(std::begin(olva::input::kInputKeys),
                                                std::end(olva::input::kInputKeys));
    for (const std::string& key : inputs.getMemberNames()) {
        if (std::find(kKeys.begin(), kKeys.end(), key) != kKeys.end()) {
            continue;
        }
        m_report.findings.Add(
            Severity::Warning, "unknown-input", file.path,
            olva::input::JsonMemberLocation(olva::input::JsonMemberLocation(sourceAt, "inputs"), key),
            "input " + Quoted(key) +
                " is none of \"click\", \"position\", \"touch\", \"pull\", \"north\", \"south\", \"east\" and "
                "\"west\" (written exactly so), so the library ignores it" +
                DidYouMean(key, kKeys));
    }
}

// A source with an output under neither hand: under the head or the gamepad
// it is ignored by design; under no known user path it is most likely a typo.
void BindingsChecker::CheckIgnoredPath(const std::string& path, const std::string& at, const BindingFileReport& file)
{
    const auto under = [&](std::string_view userPath) {
        return StartsWithIgnoringCase(path, userPath) && (path.size() == userPath.size() || path[userPath.size()] == '/');
    };
    if (under("/user/head") || under("/user/gamepad")) {
        m_report.findings.Add(Severity::Warning, "ignored-user-path", file.path, at,
                              Quoted(path) + " is under neither \"/user/hand/left\" nor \"/user/hand/right\"; the "
                                             "library ignores this source");
        return;
    }
    // The closest user path to the path's first segments, with the rest kept.
    std::string suggestion;
    for (std::size_t segments : {3, 2}) {
        std::size_t end = 0;
        for (std::size_t n = 0; n < segments && end != std::string::npos; ++n) {
            end = path.find('/', end + 1);
        }
        const std::string prefix = path.substr(0, end);
        const std::string closest =
            ClosestName(prefix, segments == 3 ? std::vector<std::string>{"/user/hand/left", "/user/hand/right"} :
                                                std::vector<std::string>{"/user/head", "/user/gamepad"});
        if (!closest.empty()) {
            suggestion = "; did you mean " + Quoted(closest + (end == std::string::npos ? "" : path.substr(end))) + "?";
            break;
        }
    }
    m_report.findings.Add(Severity::Warning, "unknown-user-path", file.path, at,
                          Quoted(path) + " is under none of the user paths \"/user/head\", \"/user/hand/left\", "
                                         "\"/user/hand/right\" and \"/user/gamepad\"; the library ignores this source" +
                              suggestion);
}

// The library compares a mode only with "dpad"; any other reads as a plain
// button, trigger or stick.
void BindingsChecker::CheckMode(const std::string& mode, const std::string& at, const BindingFileReport& file)
{
    static const std::vector<std::string> kModes = {"button", "trigger", "joystick", "trackpad", "dpad"};
    if (mode.empty() || std::any_of(kModes.begin(), kModes.end(),
                                    [&](const std::string& known) { return EqualsIgnoreCase(mode, known); })) {
        return;
    }
    m_report.findings.Add(Severity::Warning, "unknown-mode", file.path, at,
                          "mode " + Quoted(mode) +
                              " is none of \"button\", \"trigger\", \"joystick\", \"trackpad\" and \"dpad\"; the "
                              "library compares a mode only with \"dpad\" and reads any other as a plain button, "
                              "trigger or stick" +
                              DidYouMean(mode, kModes));
}

std::vector<std::string> BindingsChecker::DeclaredActionNames() const
{
    std::vector<std::string> names;
    const Json::Value& actions = m_manifest.isObject() ? Manifest()["actions"] : Json::Value::nullSingleton();
    for (Json::ArrayIndex i = 0; actions.isArray() && i < actions.size(); ++i) {
        names.push_back(actions[i]["name"].asString());
    }
    return names;
}

void BindingsChecker::JudgeActions(BindingFileReport& file)
{
    for (ActionReport& action : file.actions) {
        // A declared type the queries refuse is reported at the manifest's
        // "type"; an undeclared action here, where it is named.
        if (action.actionClass == ActionClass::Other && !action.declared) {
            const std::string because = "is not declared in the manifest's \"actions\", so its type is \"<unset>\"";
            m_report.findings.Add(Severity::Warning, "undeclared-action", file.path,
                                  action.firstOutput,
                                  "action " + Quoted(action.name) + " " + because +
                                      ": every digital and analog query for it returns -8" +
                                      DidYouMean(action.name, DeclaredActionNames()));
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
                        m_report.findings.Add(Severity::Warning, verdict.code, file.path, use.location,
                                              "boolean action " + Quoted(action.name) + " on " + Quoted(use.path) + " is " +
                                                  verdict.text);
                    } else if (const auto [first, inserted] = firstByRule.insert({verdict.rule, &use}); !inserted) {
                        // One rule decides one input with one edge flag, so a
                        // second source it decides (the stick and the pad
                        // included) reads and moves the same flag again.
                        m_report.findings.Add(Severity::Warning, "duplicate-source", file.path, use.location,
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
                        m_report.findings.Add(Severity::Warning, "analog-source-unread", file.path, use.location,
                                              "analog action " + Quoted(action.name) + " reads only its first " +
                                                  kHandNames[hand] + "-hand source (" + action.hands[hand][0].path +
                                                  "); this one is never read");
                    } else if (verdict.slot < 0) {
                        verdict.effect = "none";
                        verdict.text = "no analog value: reports active with x and y 0";
                        verdict.code = "analog-source-no-value";
                        m_report.findings.Add(Severity::Warning, verdict.code, file.path, use.location,
                                              "analog action " + Quoted(action.name) + " is bound to " + Quoted(use.path) +
                                                  ", which has no analog value; it reports active with 0" +
                                                  ComponentSuggestion(use.component));
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
        m_report.findings.Add(Severity::Warning, "no-sources", file.path, "",
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
            m_report.findings.Add(Severity::Warning, "unbound-action", m_report.manifest,
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
                m_report.findings.Add(Severity::Warning, "touch-shared-bit", file.path, use.location,
                                      "on a touch controller " + Quoted(first->second.component) + " and " +
                                          Quoted(use.component) + " read the same " + mask + " " + BitText(bit) +
                                          " of the " + kHandNames[hand] + " hand, so " + Quoted(first->second.action) +
                                          " and " + Quoted(action.name) + " turn on together");
            }
        }
    }
}

}  // namespace olva::check::detail
