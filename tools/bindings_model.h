// The model of an olva-check bindings report: the controller setups checked,
// what the library selects for each one, what it builds from each selected
// binding file, and the findings. The judgement fills it; the renderers (text,
// JSON, ...) only read it.
#pragma once

#include "findings.h"

#include "input/documents.h"
#include "input/olva_input.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace olva::check {

// ---- Controller setups

// The controllers a runtime reports, as the manifest load records them.
struct ControllerSetup {
    std::string name;                    // shown in the report
    std::string spec;                    // "left=joystick", "none", ...
    olva::input::ControllerTable table;  // device type -> stored input type
};

// Parses "left=joystick,right=touch", "gamepad=gamepad", "none" and the like.
bool ParseControllerSetup(std::string_view spec, ControllerSetup& out, std::string& error);

// left-hand joystick controller; right-hand touch controller; gamepad only;
// no controllers.
std::vector<ControllerSetup> DefaultControllerSetups();

// "none", "other", "touch", "joystick", "gamepad" or "unknown".
const char* KindName(OLVA_Device_InputType type) noexcept;
// "left", "right" or "gamepad".
const char* DeviceName(OLVA_DeviceType device) noexcept;

// ---- One source, as the library evaluates it

inline constexpr std::size_t kLeft = 0;
inline constexpr std::size_t kRight = 1;
inline constexpr const char* kHandNames[2] = {"left", "right"};

struct Verdict {
    std::string effect;  // "digital", "analog", "none"
    int rule = 0;        // digital rule number
    int slot = -1;       // analog slot
    std::string text;    // what happens, for people
    std::string code;    // a warning's code when the source silently does nothing
    // For a bit decision: the mask and the bit number per controller kind.
    std::string mask;
    int joystickBit = -1;
    int touchBit = -1;
    std::string direction;  // for a direction decision
};

struct SourceUse {
    std::string setName;
    std::string inputKey;
    std::string location;  // of the input's "output"
    std::string path;
    std::string mode;
    std::string component;
    Verdict verdict;
};

// ---- One binding file, as the library builds it

struct ActionReport {
    std::string key;   // lower-cased name, the registry key
    std::string name;  // as the registry records it
    std::string type;
    bool declared = false;
    olva::input::ActionClass actionClass = olva::input::ActionClass::Other;
    std::string firstOutput;          // location of the first output naming it
    int manifestIndex = -1;           // its element of "actions"; -1 when undeclared
    std::vector<SourceUse> hands[2];  // by kLeft, kRight; in evaluation order
};

struct SetBinding {
    std::string name;
    bool present = false;  // has a member under "bindings"
    unsigned sources = 0;
};

struct BindingFileReport {
    std::string url;
    std::string path;
    std::vector<std::string> setups;  // names of the setups that select it
    olva::input::ReadStatus status = olva::input::ReadStatus::Unopened;
    bool usable = false;  // read and accepted
    std::vector<SetBinding> sets;
    std::vector<ActionReport> actions;  // declared in manifest order, then the undeclared
    bool withTouchController = false;   // selected for a setup with a touch controller hand
};

// ---- One controller setup

struct SetupReport {
    ControllerSetup setup;
    olva::input::BindingSelection selection;
    std::string controllerType;  // of the chosen entry
    std::string url;
    std::string path;
    bool selected = false;
    std::string reason;   // why this entry was selected, in words
    std::string problem;  // why nothing is selected
};

// Why the selection went as it did, in words.
const char* SelectionReason(olva::input::SelectionRule rule) noexcept;

// ---- The whole report

struct BindingsReport {
    std::string manifest;               // as given
    std::vector<std::string> setNames;  // registered, lower-cased, in array order
    std::vector<SetupReport> setups;    // in the order given
    std::vector<BindingFileReport> files;  // in order of first selection
    Findings findings;
};

}  // namespace olva::check
