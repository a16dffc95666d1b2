#include "bindings_checker.h"

#include "bindings_judgement.h"
#include "source_verdict.h"

#include <algorithm>
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
// The set that an action set lookup makes when the manifest declares none.
constexpr const char* kDemoActionSet = "/actions/demo";
}  // namespace

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

void BindingsChecker::Run()
{
    if (!ReadManifest()) {
        return;
    }
    CheckDefaultBindings();
    SelectForSetups();
    for (BindingFileReport& file : m_report.files) {
        CheckBindingFile(file);
    }
}

bool BindingsChecker::ReadManifest()
{
    const std::string& path = m_report.manifest;
    DocumentError error;
    const ReadStatus status = olva::input::ReadJsonDocument(path, m_manifest, &error);
    if (status == ReadStatus::Unopened) {
        m_report.findings.Add(Severity::Error, "manifest-missing", path, "",
                              "the file cannot be opened; the library then reads an empty manifest, from which no "
                              "binding can be selected");
        return false;
    }
    if (status != ReadStatus::Parsed) {
        AddDocumentError(m_report.findings, status == ReadStatus::InvalidJson ? "invalid-json" : "unreadable-document", error);
        return false;
    }
    if (auto invalid = olva::input::ValidateManifest(m_manifest, path)) {
        AddDocumentError(m_report.findings, "invalid-document", *invalid);
        return false;
    }
    m_report.setNames = olva::input::DeclaredActionSetNames(m_manifest);
    CheckActionTypes();
    if (m_manifest.isObject() && !Manifest()["action_sets"].isNull()) {
        if (m_report.setNames.empty()) {
            m_report.findings.Add(Severity::Warning, "no-action-sets", path, "action_sets",
                                  "the manifest declares no action sets, so no binding is ever built");
        }
        return true;
    }
    // Without "action_sets", an action set lookup before the first state
    // update registers the demo set, and the library loads and builds the
    // binding file for it.
    m_report.setNames.push_back(kDemoActionSet);
    m_report.findings.Add(Severity::Warning, "no-action-sets", path, "action_sets",
                          "the manifest declares no action sets: bindings are built only for \"" +
                              std::string(kDemoActionSet) +
                              "\", and only when the application asks for an action set handle before its first update");
    return true;
}

// A declared type that is none of the five makes every query for the action
// return -8. Only the first element of a name counts: lookups stop there.
void BindingsChecker::CheckActionTypes()
{
    static const std::vector<std::string> kTypes = {"boolean", "single", "vector1", "vector2", "vector3"};
    const Json::Value& actions = m_manifest.isObject() ? Manifest()["actions"] : Json::Value::nullSingleton();
    std::set<std::string> seen;
    for (Json::ArrayIndex i = 0; actions.isArray() && i < actions.size(); ++i) {
        const Json::Value& action = actions[i];
        const std::string name = action["name"].asString();
        if (!seen.insert(LowerKey(name)).second) {
            continue;
        }
        const std::string type = action["type"].asString();
        if (olva::input::ClassifyActionType(type) != ActionClass::Other) {
            continue;
        }
        const std::string at = olva::input::JsonElementLocation("actions", i);
        const bool present = action.isMember("type");
        m_report.findings.Add(Severity::Warning, "unsupported-type", m_report.manifest,
                              present ? olva::input::JsonMemberLocation(at, "type") : at,
                              "action " + Quoted(name) + (present ? " has type " + Quoted(type) : " has no type") +
                                  ", none of \"boolean\", \"single\", \"vector1\", \"vector2\" and \"vector3\": "
                                  "every digital and analog query for it returns -8" +
                                  (present ? DidYouMean(type, kTypes) : std::string()));
    }
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
            m_report.findings.Add(Severity::Warning, "entry-never-selected", m_report.manifest,
                                  olva::input::JsonMemberLocation(at, "controller_type"),
                                  Quoted(type) + " is none of \"OLVA_Touch\", \"OLVA_JoyStick\" and \"OLVA_GamePad\" "
                                                 "(in any letter case), so this entry is never selected" +
                                      DidYouMean(type, {"OLVA_Touch", "OLVA_JoyStick", "OLVA_GamePad"}));
            continue;
        }
        if (lastOfKind != static_cast<int>(i)) {
            m_report.findings.Add(Severity::Warning, "entry-never-selected", m_report.manifest, at,
                                  "default_bindings[" + std::to_string(lastOfKind) +
                                      "], a later entry of the same controller type, replaces this one, which is never "
                                      "selected");
            continue;
        }
        const Json::Value& url = entry["binding_url"];
        if (url.isArray() || url.isObject()) {
            continue;  // rejected when selected; see SelectForSetups
        }
        const std::string file = ShownPath(olva::input::BindingFilePath(m_report.manifest, url.asString()));
        Json::Value ignored;
        if (olva::input::ReadJsonDocument(file, ignored) == ReadStatus::Unopened) {
            m_report.findings.Add(Severity::Warning, "binding-file-missing", m_report.manifest, olva::input::JsonMemberLocation(at, "binding_url"),
                                  "names " + Quoted(url.asString()) + ", but " + file +
                                      " cannot be opened; when this entry is selected the library reads empty bindings "
                                      "and no action gets a source" + NoDirectoryHint() + AbsoluteUrlHint(url.asString()));
        }
    }
}

void BindingsChecker::SelectForSetups()
{
    const olva::input::DefaultBindingIndexes indexes = olva::input::ScanDefaultBindings(m_manifest);
    for (const ControllerSetup& setup : m_toCheck) {
        SetupReport report;
        report.setup = setup;
        ControllerTable table = setup.table;
        report.selection = olva::input::SelectDefaultBinding(indexes, table);
        std::string url;
        if (auto problem = olva::input::ReadBindingUrl(m_manifest, report.selection.chosen, m_report.manifest, url)) {
            report.problem = problem->reason;
            AddDocumentError(m_report.findings, report.selection.chosen < 0 ? "no-binding-selected" : "invalid-document",
                             *problem);
            m_report.setups.push_back(std::move(report));
            continue;
        }
        report.selected = true;
        report.reason = SelectionReason(report.selection.rule);
        report.controllerType =
            Manifest()["default_bindings"][static_cast<Json::ArrayIndex>(report.selection.chosen)]["controller_type"]
                .asString();
        report.url = url;
        report.path = ShownPath(olva::input::BindingFilePath(m_report.manifest, url));
        auto file = std::find_if(m_report.files.begin(), m_report.files.end(),
                                 [&](const BindingFileReport& f) { return f.path == report.path; });
        if (file == m_report.files.end()) {
            m_report.files.push_back(BindingFileReport{url, report.path, {}, ReadStatus::Unopened, false, {}, {}});
            file = m_report.files.end() - 1;
        }
        file->setups.push_back(setup.name);
        for (OLVA_DeviceType hand : {OLVA_DEVICE_TYPE_LEFT_CONTROLLER, OLVA_DEVICE_TYPE_RIGHT_CONTROLLER}) {
            const auto found = setup.table.find(hand);
            file->withTouchController |= found != setup.table.end() && found->second == OLVA_INPUT_TYPE_TOUCH;
        }
        m_report.setups.push_back(std::move(report));
    }
}

}  // namespace olva::check::detail

namespace olva::check {

BindingsReport CheckBindings(const std::string& manifest, const std::vector<ControllerSetup>& setups)
{
    detail::BindingsChecker checker(manifest, setups);
    checker.Run();
    return checker.Take();
}

}  // namespace olva::check
