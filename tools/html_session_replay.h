// A session page made by the library itself: a runtime created on the
// simulated runtime, which plays a scenario or a capture file, the
// application's manifest loaded, and every frame updated and every declared
// action queried, as an application does.
#pragma once

#include "html_session.h"

#include <olva/olva_framework.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace olva::check {

struct ReplayOptions {
    std::string runtime;      // the simulated runtime library
    std::string simulation;   // its "simulation": a scenario or capture file
    std::string manifest;     // the application's action manifest
    std::size_t frames = 0;   // frames to run
    int64_t firstFrame = 0;   // the number the page gives the first of them
};

// One hand controller frame by frame, however it was read: the library's
// stored state in a replay, or a capture's answers.
struct HandSample {
    bool connected = false;
    uint64_t click = 0;
    uint64_t touch = 0;
    OLVA_Vector2f analog[3] = {};  // position (stick or pad), trigger, grip
};
struct HandSeries {
    bool right = false;
    bool present = false;    // the runtime reports a controller in this hand
    uint64_t inputType = 0;  // as the runtime reports it
    std::vector<HandSample> frames;
};

// The hand's section of the session page: a lane for the connection and one
// per mask bit of its kind (buttons sharing a bit share a lane), and traces
// of the stick axes, trigger and grip.
html::SessionHand SessionHandOf(const HandSeries& series);

// Runs the session in this process (the library's state is process-wide, so
// once per process). Returns false with one line in `error` when the runtime
// cannot be created, the manifest not loaded or a frame fails.
bool ReplaySession(const ReplayOptions& options, html::SessionPage& out, std::string& error);

}  // namespace olva::check
