// olva-check runtime: reads a runtime configuration as OLVA_CreateRuntime
// does, opens the runtime library it names and tells which entry points the
// library provides, without calling any of them.
#pragma once

#include <ostream>
#include <string>

namespace olva::check {

struct RuntimeOptions {
    std::string configuration;  // a file name, "-" for standard input, or the text itself
    bool json = false;
    bool strict = false;
};

// Writes the report to out; returns the exit status.
int RunRuntimeCheck(const RuntimeOptions& options, std::ostream& out);

}  // namespace olva::check
