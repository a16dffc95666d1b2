// olva-check capture --html: the session page of a capture file. Without a
// manifest it shows what the capture recorded of both hands; with one, the
// capture is replayed through the library's own input system (the simulated
// runtime playing the capture, the manifest loaded, every declared action
// queried each frame) and the page shows the hands as the library stored
// them and every action's answers.
#pragma once

#include "capture_format.h"
#include "html_session.h"

#include <ostream>
#include <string>

namespace olva::check {

struct CapturePageOptions {
    std::string file;      // the capture
    std::string manifest;  // empty: the recorded hands only
    std::string html;      // the page to write
    std::string runtime;   // the simulated runtime; empty: the one installed with olva-check
};

// The page of the recorded hands, frame by frame from frame 0.
html::SessionPage SessionPageFromCapture(const capture::Capture& capture, const std::string& file);

// Writes the page; returns false with one line on err when the capture
// cannot be read or replayed or the page not written.
bool WriteCapturePage(const CapturePageOptions& options, std::ostream& err);

// The simulated runtime that replays captures: beside olva-check, in the
// library folder of its installation, or the one of this build.
std::string SimulatedRuntimePath();

}  // namespace olva::check
