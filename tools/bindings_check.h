// olva-check bindings: what the library selects from an action manifest for
// each controller setup, what it builds from the selected binding files, and
// the mistakes that make it reject a document or stay silent.
#pragma once

#include "input/documents.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace olva::check {

// The controllers a runtime reports, as the manifest load records them.
struct ControllerSetup {
    std::string name;                  // shown in the report
    std::string spec;                  // "left=joystick", "none", ...
    olva::input::ControllerTable table;  // device type -> stored input type
};

// Parses "left=joystick,right=touch", "gamepad=gamepad", "none" and the like.
bool ParseControllerSetup(std::string_view spec, ControllerSetup& out, std::string& error);

// left-hand joystick controller; right-hand touch controller; gamepad only;
// no controllers.
std::vector<ControllerSetup> DefaultControllerSetups();

struct BindingsOptions {
    std::string manifest;
    std::vector<ControllerSetup> setups;
    bool json = false;
    bool strict = false;
};

// Writes the report to out; returns the exit status.
int RunBindingsCheck(const BindingsOptions& options, std::ostream& out);

}  // namespace olva::check
