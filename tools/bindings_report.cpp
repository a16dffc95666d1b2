#include "bindings_report.h"

#include "source_verdict.h"
#include "terminal.h"

namespace olva::check {

namespace {

using olva::input::ReadStatus;


std::string DescribeSetup(const ControllerSetup& setup)
{
    return setup.name == setup.spec ? setup.name : setup.name + " (" + setup.spec + ")";
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

void PrintBindingsReport(std::ostream& out, const BindingsReport& report, bool strict)
{
    const Style style(ColourWanted());
    out << style.Cyan("Manifest") << "  " << report.manifest << '\n';

    if (!report.setups.empty()) {
        out << '\n' << style.Bold("Controller setups") << '\n';
    }
    for (const SetupReport& setup : report.setups) {
        out << "  " << DescribeSetup(setup.setup) << '\n';
        if (setup.selected) {
            PrintLabelled(out, "selects",
                          "default_bindings[" + std::to_string(setup.selection.chosen) + "] " +
                              Quoted(setup.controllerType));
            PrintLabelled(out, "because", setup.reason);
            PrintLabelled(out, "reads", setup.path);
        } else {
            PrintLabelled(out, "selects", "nothing: " + setup.problem);
        }
    }

    for (const BindingFileReport& file : report.files) {
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
                    if (report.setNames.size() > 1) {
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
    report.findings.Print(out, style, strict);
}

nlohmann::ordered_json BindingsReportJson(const BindingsReport& model, bool strict)
{
    using json = nlohmann::ordered_json;
    json report;
    report["command"] = "bindings";
    report["manifest"] = model.manifest;
    json setups = json::array();
    for (const SetupReport& setup : model.setups) {
        json controllers = json::object();
        for (const auto& [device, inputType] : setup.setup.table) {
            controllers[DeviceName(device)] = KindName(inputType);
        }
        json entry = {{"name", setup.setup.name}, {"spec", setup.setup.spec}, {"controllers", controllers}};
        if (setup.selected) {
            entry["selected"] = {{"index", setup.selection.chosen},
                                 {"controller_type", setup.controllerType},
                                 {"rule", olva::input::DescribeSelectionRule(setup.selection.rule)},
                                 {"reason", setup.reason},
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
    for (const BindingFileReport& file : model.files) {
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
    model.findings.AddToJson(report, strict);
    return report;
}

}  // namespace olva::check
