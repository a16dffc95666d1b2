// The renderers of a bindings report: text for people, and one JSON document.
#pragma once

#include "bindings_model.h"

#include <nlohmann/json.hpp>

#include <ostream>

namespace olva::check {

// Setups with their selections, each binding file with its actions and their
// sources per hand, then the findings and a summary line. Colour only when
// ColourWanted().
void PrintBindingsReport(std::ostream& out, const BindingsReport& report, bool strict);

// The same report as one JSON document.
nlohmann::ordered_json BindingsReportJson(const BindingsReport& report, bool strict);

}  // namespace olva::check
