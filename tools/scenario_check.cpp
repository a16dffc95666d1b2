#include "scenario_check.h"

#include "wording.h"

#if OLVA_CHECK_WITH_SCENARIOS
#include "replay.h"
#include "scenario.h"
#endif

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace olva::check {

namespace {

constexpr const char* kKey = "simulation";

#if OLVA_CHECK_WITH_SCENARIOS
// The scenario's own text, from its file (relative to the working directory,
// as the simulated runtime opens it); false with a finding when it cannot be
// read.
bool ReadScenarioFile(const std::string& path, const std::string& origin, std::string& text, Findings& findings)
{
    struct stat info {};
    errno = 0;
    std::string reason;
    if (::stat(path.c_str(), &info) != 0) {
        reason = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
    } else {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream content;
        if (file && (content << file.rdbuf())) {
            text = content.str();
            return true;
        }
        reason = "cannot be read";
    }
    findings.Add(Severity::Error, "scenario-unreadable", origin, kKey,
                 "the simulated runtime cannot read the scenario file " + Quoted(ShownPath(path)) + " (" + reason +
                     "), so its OLVA_CreateRuntime fails");
    return false;
}
#endif

}  // namespace

ScenarioReport CheckScenario(const nlohmann::json& configuration, const std::string& origin, Findings& findings)
{
    ScenarioReport report;
    if (!configuration.is_object() || !configuration.contains(kKey)) {
        return report;
    }
    report.named = true;
    const nlohmann::json& simulation = configuration.at(kKey);
    if (!simulation.is_string() && !simulation.is_object()) {
        findings.Add(Severity::Error, "scenario-invalid", origin, kKey,
                     "\"simulation\" must be a scenario file name or a scenario object; the simulated runtime's "
                     "OLVA_CreateRuntime fails");
        return report;
    }
#if OLVA_CHECK_WITH_SCENARIOS
    std::string text;
    if (simulation.is_string()) {
        report.source = simulation.get<std::string>();
        if (!ReadScenarioFile(report.source, origin, text, findings)) {
            return report;
        }
    } else {
        text = simulation.dump();
    }
    report.checked = true;
    if (!report.source.empty() && olva::capture::LooksLikeCapture(text)) {
        // A capture to replay: judged by the reader the replay uses.
        olva::capture::Capture capture;
        std::string error;
        std::string note;
        if (!olva::sim::LoadReplay(report.source, capture, error, note)) {
            findings.Add(Severity::Error, "scenario-invalid", origin, kKey,
                         "the simulated runtime rejects the capture " + error + "; its OLVA_CreateRuntime fails");
            return report;
        }
        report.valid = true;
        report.name = "replay of a capture, " + std::to_string(capture.frames.size()) + " frames";
        return report;
    }
    olva::sim::Scenario scenario;
    std::string error;
    if (!olva::sim::ParseScenario(text, scenario, error)) {
        const std::string what =
            report.source.empty() ? "the scenario in \"simulation\"" : "the scenario file " + Quoted(ShownPath(report.source));
        findings.Add(Severity::Error, "scenario-invalid", origin, kKey,
                     "the simulated runtime rejects " + what + ": " + error + "; its OLVA_CreateRuntime fails");
        return report;
    }
    report.valid = true;
    report.name = scenario.name;
    for (olva::sim::Slot slot : olva::sim::kSlots) {
        const auto& kind = scenario.controllers[static_cast<std::size_t>(slot)];
        if (kind) {
            report.controllers.emplace_back(olva::sim::SlotName(slot), olva::sim::KindName(*kind));
        }
    }
#endif
    return report;
}

}  // namespace olva::check
