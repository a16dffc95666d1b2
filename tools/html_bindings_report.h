// olva-check bindings --html: the bindings page made from the checker's own
// report, so the page shows exactly what the checker judged.
#pragma once

#include "bindings_check.h"
#include "html_bindings.h"

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <vector>

namespace olva::check {

// The page model from a report of RunBindingsCheck with json set, and the
// action names the manifest declares (in order).
html::BindingsPage BindingsPageFromReport(const nlohmann::ordered_json& report,
                                          const std::vector<std::string>& declaredActions);

// The names of the manifest's "actions", as the library reads them; empty
// when the manifest cannot be read.
std::vector<std::string> DeclaredActionNames(const std::string& manifest);

// Runs the bindings check, writes its report to out as without --html, and
// the page to htmlFile. Returns the check's exit status, or 1 with a line on
// err when the page cannot be written.
int RunBindingsCheckWithPage(const BindingsOptions& options, const std::string& htmlFile, std::ostream& out,
                             std::ostream& err);

// Writes text to path; on failure returns false with the system's reason.
bool WriteTextFile(const std::string& path, const std::string& text, std::string& error);

}  // namespace olva::check
