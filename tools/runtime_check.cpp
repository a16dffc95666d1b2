#include "runtime_check.h"

#include "findings.h"
#include "scenario_check.h"
#include "terminal.h"
#include "wording.h"

#include "loader/entry_point_index.h"
#include "loader/olva_framework.h"

#include <dlfcn.h>
#if defined(__GLIBC__)
#include <link.h>
#endif

#include <nlohmann/json.hpp>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>

namespace olva::check {

namespace {

// What the library answers for an entry point the runtime lacks, as text,
// taken from the entry point table itself: "-2", "false", or "" for the one
// function without a result.
template <typename Result, typename Absent>
std::string AbsentText(Absent absent)
{
    if constexpr (std::is_void_v<Result>) {
        return "";
    } else if constexpr (std::is_same_v<Result, bool>) {
        return absent() ? "true" : "false";
    } else {
        return std::to_string(absent());
    }
}

const std::array<std::string, kEntryPointCount>& AbsentResults()
{
    static const std::array<std::string, kEntryPointCount> results = {
#define OLVA_ENTRY(ret, name, params, args, absent) AbsentText<ret>([]() -> ret { return absent; }),
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY
    };
    return results;
}

// The runtime functions the input system calls (through the forwarding entry
// points), in the order it first calls them.
constexpr EntryPoint kInputSystemCalls[] = {
    EntryPoint::OLVA_GetSupportedDevices,   EntryPoint::OLVA_GetSupportedDeviceInputType,
    EntryPoint::OLVA_IsDeviceConnected,     EntryPoint::OLVA_GetInputClickStates,
    EntryPoint::OLVA_GetInputTouchStates,   EntryPoint::OLVA_GetInputIdConfiguration,
    EntryPoint::OLVA_GetInputAnalogState,
};

struct ConfigurationText {
    bool read = false;
    std::string origin;  // the file name, "standard input", or empty for the text itself
    std::string text;
};

// A file when one can be opened under that name, "-" for standard input,
// otherwise the argument itself when it looks like a JSON object or array.
ConfigurationText ReadConfiguration(const std::string& argument, Findings& findings)
{
    ConfigurationText result;
    if (argument == "-") {
        result.origin = "standard input";
        result.text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        result.read = true;
        return result;
    }
    struct stat info {};
    errno = 0;
    const bool exists = stat(argument.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        errno = EISDIR;
    } else if (exists) {
        std::ifstream file(argument, std::ios::binary);
        if (file) {
            std::ostringstream text;
            text << file.rdbuf();
            result.origin = ShownPath(argument);
            result.text = text.str();
            result.read = true;
            return result;
        }
    }
    const std::string reason = std::strerror(errno);
    const std::size_t first = argument.find_first_not_of(" \t\r\n");
    if (first != std::string::npos && (argument[first] == '{' || argument[first] == '[')) {
        result.text = argument;  // no file to name in findings
        result.read = true;
        return result;
    }
    result.origin = ShownPath(argument);
    findings.Add(Severity::Error, "config-unreadable", result.origin, "",
                 "cannot read this configuration file (" + reason +
                     "), and the argument is not a JSON configuration text either");
    return result;
}

struct RuntimeReport {
    std::string origin;
    bool parsed = false;
    nlohmann::json configuration;  // as parsed
    bool hasPath = false;
    std::string runtimePath;  // "olvaruntimepath" as written
    bool opened = false;
    std::string loadedFrom;   // where the dynamic loader found it
    std::string dlopenError;
    std::array<bool, kEntryPointCount> provided{};
    std::array<bool, kEntryPointCount> intoFramework{};  // resolved into libolva_framework itself
    std::size_t intoFrameworkCount = 0;
    std::string frameworkFile;
    std::size_t providedCount = 0;
};

// The steps of olva_framework::Init up to dlopen, with its own parser and
// rules: subscript "olvaruntimepath" (type_error 305 for a top level that is
// neither object nor null); the value must be a string.
void ParseConfiguration(const ConfigurationText& configuration, RuntimeReport& report, Findings& findings)
{
    nlohmann::json parsed;
    try {
        parsed = ParseRuntimeConfiguration(configuration.text);
    } catch (const nlohmann::json::parse_error& error) {
        findings.Add(Severity::Error, "config-not-json", configuration.origin, "",
                     std::string("not valid JSON (comments are not accepted either); OLVA_CreateRuntime throws a "
                                 "parse_error: ") +
                         error.what());
        return;
    }
    report.parsed = true;
    report.configuration = parsed;
    const nlohmann::json* runtimePath = nullptr;
    try {
        runtimePath = &parsed[kRuntimePathKey];
    } catch (const nlohmann::json::type_error& error) {
        findings.Add(Severity::Error, "config-not-object", configuration.origin, "",
                     std::string("the configuration must be a JSON object; OLVA_CreateRuntime throws: ") +
                         error.what());
        return;
    }
    if (!runtimePath->is_string()) {
        // Keys are matched exactly: a near miss is the likely cause.
        std::string nearMiss;
        for (const auto& [key, value] : report.configuration.items()) {
            if (key != kRuntimePathKey && !ClosestName(key, {kRuntimePathKey}).empty()) {
                nearMiss = "; the key " + Quoted(key) + " is not read (keys are exact): did you mean " +
                           Quoted(kRuntimePathKey) + "?";
                break;
            }
        }
        findings.Add(Severity::Error, "runtime-path-missing", configuration.origin, kRuntimePathKey,
                     std::string("\"olvaruntimepath\" is ") + (runtimePath->is_null() ? "missing" : "not a string") +
                         "; OLVA_CreateRuntime throws \"" + kRuntimePathUnreadable + "\"" + nearMiss);
        return;
    }
    report.hasPath = true;
    report.runtimePath = runtimePath->get<std::string>();
}

void OpenAndResolve(RuntimeReport& report, Findings& findings)
{
    dlerror();
    void* handle = dlopen(report.runtimePath.c_str(), RTLD_NOW);
    if (handle == nullptr) {
        const char* error = dlerror();
        report.dlopenError = error != nullptr ? error : "unknown error";
        findings.Add(Severity::Error, "runtime-not-opened", report.origin, kRuntimePathKey,
                     "the dynamic loader cannot open " + Quoted(ShownPath(report.runtimePath)) + ": " + report.dlopenError +
                         ". OLVA_CreateRuntime throws \"" + kRuntimeNotOpened + "\"");
        return;
    }
    report.opened = true;
#if defined(__GLIBC__)
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr) {
        report.loadedFrom = map->l_name;
    }
#endif
    // In an application the library counts an address inside its own image
    // as missing, so that it never forwards to itself. Here that image is
    // whichever one the runtime library reaches that defines exports only
    // the library has: g_funVec and an input entry point.
    const void* frameworkBase = nullptr;
    Dl_info inputEntry = {};
    Dl_info nameTable = {};
    const void* inputEntryAddress = dlsym(handle, "OLVA_XrActionManifestPath");
    const void* nameTableAddress = dlsym(handle, "g_funVec");
    if (inputEntryAddress != nullptr && nameTableAddress != nullptr && dladdr(inputEntryAddress, &inputEntry) != 0 &&
        dladdr(nameTableAddress, &nameTable) != 0 && inputEntry.dli_fbase == nameTable.dli_fbase) {
        frameworkBase = inputEntry.dli_fbase;
        report.frameworkFile = inputEntry.dli_fname != nullptr ? inputEntry.dli_fname : "";
    }
    for (std::size_t i = 0; i < kEntryPointCount; ++i) {
        const void* address = dlsym(handle, g_funVec[i].c_str());
        Dl_info info = {};
        if (address != nullptr && frameworkBase != nullptr && dladdr(address, &info) != 0 &&
            info.dli_fbase == frameworkBase) {
            report.intoFramework[i] = true;
            ++report.intoFrameworkCount;
            address = nullptr;
        }
        report.provided[i] = address != nullptr;
        report.providedCount += report.provided[i] ? 1 : 0;
    }
    dlclose(handle);

    if (report.intoFrameworkCount > 0) {
        findings.Add(Severity::Warning, "runtime-is-framework", report.origin, kRuntimePathKey,
                     std::to_string(report.intoFrameworkCount) + " entry points resolve into libolva_framework "
                     "itself (" + report.frameworkFile + "), which the library counts as missing so that it "
                     "never forwards a call to itself");
    }

    const auto has = [&](EntryPoint entry) { return report.provided[static_cast<std::size_t>(entry)]; };
    if (!has(EntryPoint::OLVA_CreateRuntime)) {
        findings.Add(Severity::Error, "create-runtime-missing", report.origin, kRuntimePathKey,
                     "the runtime library lacks OLVA_CreateRuntime: OLVA_CreateRuntime opens it and then "
                     "answers -2, so the application never gets a runtime");
    }
    std::string missingInput;
    for (EntryPoint entry : kInputSystemCalls) {
        if (!has(entry)) {
            missingInput += (missingInput.empty() ? "" : ", ") + g_funVec[static_cast<std::size_t>(entry)];
        }
    }
    if (!missingInput.empty()) {
        std::string effect = has(EntryPoint::OLVA_GetSupportedDevices) ?
                                 "the controllers' input, or part of it, always reads as absent" :
                                 "OLVA_XrActionManifestPath answers -2, so no action manifest can be loaded";
        findings.Add(Severity::Warning, "input-functions-missing", report.origin, "",
                     "the input system calls " + missingInput + ", which the runtime library lacks: " + effect);
    }
}

void PrintEntryPoints(std::ostream& out, const Style& style, const RuntimeReport& report)
{
    std::vector<std::string> provided;
    std::vector<std::pair<std::string, std::vector<std::string>>> answered;  // by absent result, in first-seen order
    for (std::size_t i = 0; i < kEntryPointCount; ++i) {
        if (report.provided[i]) {
            provided.push_back(g_funVec[i]);
            continue;
        }
        const std::string& absent = AbsentResults()[i];
        auto group = std::find_if(answered.begin(), answered.end(), [&](const auto& g) { return g.first == absent; });
        if (group == answered.end()) {
            answered.push_back({absent, {}});
            group = answered.end() - 1;
        }
        group->second.push_back(g_funVec[i]);
    }
    if (provided.size() == kEntryPointCount) {
        out << "All " << kEntryPointCount << " entry points are provided by the runtime library.\n";
        return;
    }
    if (!provided.empty()) {
        out << '\n' << style.Bold("Provided (" + std::to_string(provided.size()) + ")") << '\n';
        for (const std::string& row : Columns(provided, 2)) {
            out << row << '\n';
        }
    }
    for (const auto& [absent, names] : answered) {
        const std::string title = absent.empty() ? "Missing: the library does nothing" :
                                                   "Missing: the library answers " + absent;
        out << '\n' << style.Bold(title + " (" + std::to_string(names.size()) + ")") << '\n';
        for (const std::string& row : Columns(names, 2)) {
            out << row << '\n';
        }
    }
}

std::string DescribeScenario(const ScenarioReport& scenario)
{
    std::string text = scenario.source.empty() ? "given in the configuration" : ShownPath(scenario.source);
    if (!scenario.checked) {
        return text;
    }
    if (!scenario.valid) {
        return text + ", rejected";
    }
    text += ": " + Quoted(scenario.name);
    for (const auto& [slot, kind] : scenario.controllers) {
        text += ", " + slot + "=" + kind;
    }
    return text;
}

void PrintHuman(std::ostream& out, const RuntimeReport& report, const ScenarioReport& scenario,
                const Findings& findings, bool strict)
{
    const Style style(ColourWanted());
    constexpr std::size_t kKeyWidth = 17;
    const auto row = [&](const std::string& key, const std::string& value) {
        out << style.Cyan(Pad(key, kKeyWidth)) << value << '\n';
    };
    row("Configuration", report.origin.empty() ? "given as text" : report.origin);
    if (report.hasPath) {
        row("olvaruntimepath", report.runtimePath);
    }
    if (scenario.named) {
        row("Scenario", DescribeScenario(scenario));
    }
    if (report.opened) {
        row("Opened", report.loadedFrom.empty() ? "yes" : report.loadedFrom);
        row("Entry points", std::to_string(report.providedCount) + " of " + std::to_string(kEntryPointCount) +
                                " provided by the runtime library");

        PrintEntryPoints(out, style, report);
    } else if (report.hasPath) {
        row("Opened", "no: " + report.dlopenError);
    }
    out << '\n';
    findings.Print(out, style, strict);
}

nlohmann::ordered_json ToJson(const RuntimeReport& report, const ScenarioReport& scenario, const Findings& findings,
                              bool strict)
{
    nlohmann::ordered_json json;
    json["command"] = "runtime";
    json["configuration"] = report.origin;
    json["olvaruntimepath"] = report.hasPath ? nlohmann::ordered_json(report.runtimePath) : nlohmann::ordered_json();
    if (scenario.named) {
        nlohmann::ordered_json controllers = nlohmann::ordered_json::object();
        for (const auto& [slot, kind] : scenario.controllers) {
            controllers[slot] = kind;
        }
        json["scenario"] = {{"file", scenario.source.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(scenario.source)},
                            {"checked", scenario.checked},
                            {"valid", scenario.valid},
                            {"name", scenario.valid ? nlohmann::ordered_json(scenario.name) : nlohmann::ordered_json()},
                            {"controllers", controllers}};
    } else {
        json["scenario"] = nullptr;
    }
    json["opened"] = report.opened;
    json["loaded_from"] = report.loadedFrom.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(report.loadedFrom);
    json["dlopen_error"] = report.dlopenError.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(report.dlopenError);
    nlohmann::ordered_json entries = nlohmann::ordered_json::array();
    if (report.opened) {
        for (std::size_t i = 0; i < kEntryPointCount; ++i) {
            nlohmann::ordered_json entry = {{"name", g_funVec[i]}, {"provided", report.provided[i]}};
            if (report.intoFramework[i]) {
                entry["resolves_into_framework"] = true;
            }
            // What the application gets back while the runtime lacks it.
            entry["library_answers"] =
                report.provided[i] || AbsentResults()[i].empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(AbsentResults()[i]);
            entries.push_back(std::move(entry));
        }
        json["provided"] = report.providedCount;
    }
    json["entry_points"] = std::move(entries);
    findings.AddToJson(json, strict);
    return json;
}

}  // namespace

int RunRuntimeCheck(const RuntimeOptions& options, std::ostream& out)
{
    Findings findings;
    RuntimeReport report;
    const ConfigurationText configuration = ReadConfiguration(options.configuration, findings);
    report.origin = configuration.origin;
    if (configuration.read) {
        ParseConfiguration(configuration, report, findings);
    }
    if (report.hasPath) {
        OpenAndResolve(report, findings);
    }
    const ScenarioReport scenario = CheckScenario(report.configuration, report.origin, findings);
    if (options.json) {
        out << ToJson(report, scenario, findings, options.strict).dump(2) << '\n';
    } else {
        PrintHuman(out, report, scenario, findings, options.strict);
    }
    return findings.ExitStatus(options.strict);
}

}  // namespace olva::check
