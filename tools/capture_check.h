// olva-check capture: checks a capture file and summarises the session it
// holds (format, frames, devices, presses per input per hand, analog
// ranges), and reports where it is torn or corrupt.
#pragma once

#include <ostream>
#include <string>

namespace olva::check {

struct CaptureOptions {
    std::string file;
    bool json = false;
    bool strict = false;
};

// Writes the report to out; returns the exit status: a capture that cannot
// be read or has a corrupt line is an error, a torn last line or lost
// answers a warning.
int RunCaptureCheck(const CaptureOptions& options, std::ostream& out);

}  // namespace olva::check
