// olva-check runtime, for a configuration that names a scenario for the
// simulated runtime: reads the scenario with the simulated runtime's own
// reader, so a scenario that would make its OLVA_CreateRuntime fail is found
// before an application runs.
#pragma once

#include "findings.h"

#include <nlohmann/json.hpp>

#include <string>
#include <utility>
#include <vector>

namespace olva::check {

struct ScenarioReport {
    bool named = false;    // the configuration has a "simulation" key
    std::string source;    // the scenario file as written, or empty for a scenario inside the configuration
    bool checked = false;  // read and judged
    bool valid = false;
    std::string name;                                              // the scenario's "name"
    std::vector<std::pair<std::string, std::string>> controllers;  // slot, kind
};

// Checks configuration["simulation"] when there is one; origin names the
// configuration in findings.
ScenarioReport CheckScenario(const nlohmann::json& configuration, const std::string& origin, Findings& findings);

}  // namespace olva::check
