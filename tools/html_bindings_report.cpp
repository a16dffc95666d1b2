#include "html_bindings_report.h"

#include "input/documents.h"
#include "input/olva_input.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace olva::check {

namespace {

using json = nlohmann::ordered_json;
using olva::input::EqualsIgnoreCase;
using olva::input::LowerKey;

std::string Text(const json& object, const char* key)
{
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

// A member that is an array, or an empty array: the report is read without
// assuming its shape.
const json& Array(const json& object, const char* key)
{
    static const json empty = json::array();
    if (!object.is_object()) {
        return empty;
    }
    const auto found = object.find(key);
    return found != object.end() && found->is_array() ? *found : empty;
}

const json& Member(const json& object, const char* key)
{
    static const json none;
    if (!object.is_object()) {
        return none;
    }
    const auto found = object.find(key);
    return found != object.end() ? *found : none;
}

html::PageFinding FindingOf(const json& finding)
{
    return {Text(finding, "severity"), Text(finding, "code"), Text(finding, "file"), Text(finding, "location"),
            Text(finding, "message")};
}

std::string ControllerWords(const json& controllers)
{
    std::string words;
    for (const char* device : {"left", "right", "gamepad"}) {
        const std::string kind = Text(controllers, device);
        if (kind.empty()) {
            continue;
        }
        const std::string what = kind == "touch" || kind == "joystick" ? kind + " controller" : "input type " + kind;
        words += (words.empty() ? "" : ", ") + std::string(device) +
                 (std::string(device) == "gamepad" ? ": " : " hand: ") + what;
    }
    return words.empty() ? "none" : words;
}

// The kind drawn for a hand: the setup's when it is one of the two hand
// controller kinds, else the kind of the selected entry.
void ChooseKind(html::PageHand& hand, const std::string& setupKind, const std::string& controllerType)
{
    hand.connected = !setupKind.empty();
    if (setupKind == "touch" || setupKind == "joystick") {
        hand.kind = setupKind == "touch" ? html::ControllerKind::Touch : html::ControllerKind::Joystick;
        return;
    }
    const bool touchEntry = EqualsIgnoreCase(controllerType, "OLVA_Touch");
    hand.kind = touchEntry ? html::ControllerKind::Touch : html::ControllerKind::Joystick;
    const std::string drawn = touchEntry ? "touch" : "joystick";
    hand.kindNote = setupKind.empty() ? "not in this setup; drawn as a " + drawn + " controller, the kind of the "
                                        "selected entry" :
                                        "input type " + setupKind + " in this setup: no digital rule reads it; "
                                        "drawn as a " + drawn + " controller";
}

}  // namespace

std::vector<std::string> DeclaredActionNames(const std::string& manifest)
{
    Json::Value document;
    std::vector<std::string> names;
    if (olva::input::ReadJsonDocument(manifest, document) != olva::input::ReadStatus::Parsed || !document.isObject()) {
        return names;
    }
    const Json::Value& actions = document["actions"];
    std::set<std::string> seen;
    for (Json::ArrayIndex i = 0; actions.isArray() && i < actions.size(); ++i) {
        const Json::Value& name = actions[i].isObject() ? actions[i]["name"] : Json::Value::nullSingleton();
        if (name.isString() && seen.insert(LowerKey(name.asString())).second) {
            names.push_back(name.asString());
        }
    }
    return names;
}

html::BindingsPage BindingsPageFromReport(const json& report, const std::vector<std::string>& declaredActions)
{
    html::BindingsPage page;
    page.manifest = Text(report, "manifest");
    page.errors = report.value("errors", 0);
    page.warnings = report.value("warnings", 0);

    const json& files = Array(report, "binding_files");
    const json& findings = Array(report, "findings");
    std::set<std::string> selectedFiles;
    for (const json& setup : Array(report, "setups")) {
        const json& selected = Member(setup, "selected");
        if (selected.is_object()) {
            selectedFiles.insert(Text(selected, "binding_file"));
        }
    }

    for (const json& setup : Array(report, "setups")) {
        html::PageSetup out;
        out.name = Text(setup, "name");
        out.spec = Text(setup, "spec");
        const json& controllers = Member(setup, "controllers");
        out.controllers = ControllerWords(controllers);
        out.hands[0].right = false;
        out.hands[1].right = true;
        const json& selected = Member(setup, "selected");
        if (!selected.is_object()) {
            out.reason = Text(setup, "reason");
            page.setups.push_back(std::move(out));
            continue;
        }
        out.selected = true;
        out.entry = "default_bindings[" + std::to_string(selected.value("index", -1)) + "] \"" +
                    Text(selected, "controller_type") + "\"";
        out.reason = Text(selected, "reason");
        out.bindingFile = Text(selected, "binding_file");
        ChooseKind(out.hands[0], Text(controllers, "left"), Text(selected, "controller_type"));
        ChooseKind(out.hands[1], Text(controllers, "right"), Text(selected, "controller_type"));

        const json* file = nullptr;
        for (const json& candidate : files) {
            if (Text(candidate, "file") == out.bindingFile) {
                file = &candidate;
            }
        }
        std::set<std::string> locations;  // of the bindings, to place findings
        std::set<std::string> boundActions;
        if (file == nullptr || !file->value("opened", false)) {
            out.fileState = "cannot be opened: the library reads empty bindings and no action gets a source";
        } else if (!file->value("accepted", false)) {
            out.fileState = "rejected by the library (see the findings)";
        } else {
            for (const json& action : Array(*file, "actions")) {
                for (std::size_t hand = 0; hand < 2; ++hand) {
                    const std::size_t userPathLength = hand == 0 ? 15 : 16;  // "/user/hand/left", "/user/hand/right"
                    for (const json& use : Array(action, hand == 0 ? "left" : "right")) {
                        html::PageBinding binding;
                        binding.action = Text(action, "name");
                        binding.actionType = Text(action, "type");
                        binding.path = Text(use, "path");
                        binding.component = binding.path.size() >= userPathLength ? binding.path.substr(userPathLength) : "";
                        binding.how = Text(use, "input");
                        binding.mode = Text(use, "mode");
                        binding.actionSet = Text(use, "action_set");
                        binding.effect = Text(use, "effect");
                        binding.description = Text(use, "description");
                        binding.location = Text(use, "location");
                        for (const json& finding : findings) {
                            if (Text(finding, "file") == out.bindingFile &&
                                Text(finding, "location") == binding.location) {
                                binding.findings.push_back(FindingOf(finding));
                            }
                        }
                        locations.insert(binding.location);
                        boundActions.insert(LowerKey(binding.action));
                        out.hands[hand].bindings.push_back(std::move(binding));
                    }
                }
            }
        }
        for (const std::string& name : declaredActions) {
            if (boundActions.count(LowerKey(name)) == 0) {
                out.unboundActions.push_back(name);
            }
        }
        for (const json& finding : findings) {
            if (Text(finding, "file") == out.bindingFile && locations.count(Text(finding, "location")) == 0) {
                out.findings.push_back(FindingOf(finding));
            }
        }
        page.setups.push_back(std::move(out));
    }
    // Everything not about a selected binding file: the manifest, entries
    // never selected, files no setup reads.
    for (const json& finding : findings) {
        if (selectedFiles.count(Text(finding, "file")) == 0) {
            page.findings.push_back(FindingOf(finding));
        }
    }
    return page;
}

bool WriteTextFile(const std::string& path, const std::string& text, std::string& error)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        error = std::strerror(errno);
        return false;
    }
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (!file) {
        error = errno != 0 ? std::strerror(errno) : "write failed";
        return false;
    }
    return true;
}

int RunBindingsCheckWithPage(const BindingsOptions& options, const std::string& htmlFile, std::ostream& out,
                             std::ostream& err)
{
    BindingsOptions asJson = options;
    asJson.json = true;
    std::ostringstream reportText;
    RunBindingsCheck(asJson, reportText);
    const json report = json::parse(reportText.str());
    const std::string page = html::RenderBindingsPage(BindingsPageFromReport(report, DeclaredActionNames(options.manifest)));
    std::string error;
    if (!WriteTextFile(htmlFile, page, error)) {
        err << "olva-check: cannot write " << htmlFile << ": " << error << '\n';
        return 1;
    }
    return RunBindingsCheck(options, out);
}

}  // namespace olva::check
