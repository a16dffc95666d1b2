// The bindings page: for each controller setup, the binding file the
// library selects and why, and a drawing of each hand's controller with
// every input labelled with the actions it drives, free inputs marked, and
// the checker's findings beside the inputs they concern.
#pragma once

#include <string>
#include <vector>

namespace olva::check::html {

struct PageFinding {
    std::string severity;  // "error" or "warning"
    std::string code;
    std::string file;
    std::string location;  // JSON location inside file; may be empty
    std::string message;
};

// One input key of one binding source that names an action.
struct PageBinding {
    std::string action;
    std::string actionType;  // "boolean", "vector2", "<unset>", ...
    std::string path;        // the source's path as written
    std::string component;   // the path after the hand's user path
    std::string how;         // the input key: click, touch, pull, position, north, ...
    std::string mode;
    std::string actionSet;
    std::string effect;       // "digital", "analog" or "none" (never reports)
    std::string description;  // what the library reads, in words
    std::string location;     // JSON location of the input's "output"
    std::vector<PageFinding> findings;  // about this binding
};

enum class ControllerKind { Touch, Joystick };

struct PageHand {
    bool right = false;
    ControllerKind kind = ControllerKind::Joystick;
    bool connected = false;     // part of the setup
    std::string kindNote;       // how the drawn kind was chosen, when not connected
    std::vector<PageBinding> bindings;  // in evaluation order
};

struct PageSetup {
    std::string name;
    std::string spec;         // "left=joystick", "none", ...
    std::string controllers;  // "left hand: joystick controller", ...
    bool selected = false;
    std::string entry;        // "default_bindings[1] \"OLVA_JoyStick\""
    std::string reason;       // why this entry, or why nothing is selected
    std::string bindingFile;  // as the library opens it
    std::string fileState;    // empty when read and accepted, else what went wrong
    PageHand hands[2];        // left, right
    std::vector<std::string> unboundActions;  // declared actions this file leaves without a source
    std::vector<PageFinding> findings;        // about this file but no one input
};

struct BindingsPage {
    std::string manifest;
    std::vector<PageSetup> setups;
    std::vector<PageFinding> findings;  // about the manifest or no selected file
    int errors = 0;
    int warnings = 0;
};

std::string RenderBindingsPage(const BindingsPage& page);

}  // namespace olva::check::html
