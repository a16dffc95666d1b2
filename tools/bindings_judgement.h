// The judgement behind olva-check bindings: reads an action manifest with the
// library's own document functions, selects a binding file for each
// controller setup as the library does, walks each selected file in the
// library's build order and judges every source with the library's rule
// table. Silent: everything it finds goes into the report.
#pragma once

#include "bindings_model.h"

#include <string>
#include <vector>

namespace olva::check {

BindingsReport CheckBindings(const std::string& manifest, const std::vector<ControllerSetup>& setups);

}  // namespace olva::check
