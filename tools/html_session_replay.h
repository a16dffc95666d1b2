// A session page made by the library itself: a runtime created on the
// simulated runtime, which plays a scenario or a capture file, the
// application's manifest loaded, and every frame updated and every declared
// action queried, as an application does.
#pragma once

#include "html_session.h"

#include <cstddef>
#include <string>

namespace olva::check {

struct ReplayOptions {
    std::string runtime;     // the simulated runtime library
    std::string simulation;  // its "simulation": a scenario or capture file
    std::string manifest;    // the application's action manifest
    std::size_t frames = 0;  // frames to run, from 0
};

// Runs the session in this process (the library's state is process-wide, so
// once per process). Returns false with one line in `error` when the runtime
// cannot be created, the manifest not loaded or a frame fails.
bool ReplaySession(const ReplayOptions& options, html::SessionPage& out, std::string& error);

}  // namespace olva::check
