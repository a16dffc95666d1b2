// olva-check bindings: what the library selects from an action manifest for
// each controller setup, what it builds from the selected binding files, and
// the mistakes that make it reject a document or stay silent.
#pragma once

#include "bindings_model.h"

#include <ostream>
#include <string>
#include <vector>

namespace olva::check {

struct BindingsOptions {
    std::string manifest;
    std::vector<ControllerSetup> setups;
    bool json = false;
    bool strict = false;
};

// Writes the report to out; returns the exit status.
int RunBindingsCheck(const BindingsOptions& options, std::ostream& out);

}  // namespace olva::check
