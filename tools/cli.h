// The command line: subcommands, options and the usage texts.
#pragma once

#include "bindings_check.h"
#include "capture_check.h"
#include "runtime_check.h"

#include <string>

namespace olva::check {


inline constexpr const char* kUsage =
    "usage: olva-check bindings MANIFEST [--controllers SETUP]... [--json] [--strict] [--html FILE]\n"
    "       olva-check runtime CONFIG_FILE_OR_TEXT [--json] [--strict]\n"
    "       olva-check capture FILE [--json] [--strict] [--html FILE [--manifest MANIFEST]]\n"
    "       olva-check --help | --version\n";

inline constexpr const char* kHelp =
    "olva-check: checks what libolva_framework will make of an action manifest\n"
    "with its binding files, or of a runtime configuration, without running an\n"
    "application. It uses the library's own code, so it agrees with it.\n"
    "\n"
    "usage: olva-check bindings MANIFEST [--controllers SETUP]... [--json] [--strict] [--html FILE]\n"
    "       olva-check runtime CONFIG_FILE_OR_TEXT [--json] [--strict]\n"
    "       olva-check capture FILE [--json] [--strict] [--html FILE [--manifest MANIFEST]]\n"
    "\n"
    "bindings  For each controller setup: the \"default_bindings\" entry and the\n"
    "          binding file the library selects, and why. For each selected file:\n"
    "          every action with its type and its sources per hand in evaluation\n"
    "          order, with the rule, mask bit or analog value each one reads.\n"
    "          Then errors (documents the library rejects) and warnings (bindings\n"
    "          that silently never report anything), with the closest declared\n"
    "          name for a name that matches nothing.\n"
    "runtime   Reads the configuration as OLVA_CreateRuntime does, opens the\n"
    "          runtime library it names (running its initialisers) and lists the\n"
    "          entry points it provides; calls none of them. A \"simulation\"\n"
    "          key is read as the simulated runtime reads its scenario. The\n"
    "          argument is a file, \"-\" for standard input, or the JSON text.\n"
    "capture   Checks a capture written by libolva_capture and summarises it:\n"
    "          format, frames, devices, presses per input per hand, analog\n"
    "          ranges. A corrupt line is an error, a torn last line a warning.\n"
    "\n"
    "  --controllers SETUP  a controller setup to select for, repeatable:\n"
    "                       comma-separated DEVICE=KIND with DEVICE one of left,\n"
    "                       right, gamepad and KIND one of joystick, touch,\n"
    "                       gamepad, other or a number; or \"none\". Default: the\n"
    "                       setups left=joystick; right=touch; gamepad=gamepad;\n"
    "                       none.\n"
    "  --json               the report as one JSON document\n"
    "  --strict             warnings make the exit status 1 as errors do\n"
    "  --html FILE          bindings: also write the report as a web page that\n"
    "                       draws each hand's controller with its bindings;\n"
    "                       capture: also write a timeline of the session\n"
    "  --manifest MANIFEST  capture --html: replay the capture through the\n"
    "                       library with this manifest and add every action\n"
    "\n"
    "Exit status: 0 clean, 1 errors (or warnings with --strict), 2 bad usage.\n"
    "Colour only when standard output is a terminal and NO_COLOR is not set.\n";

enum class Subcommand { Help, Version, Bindings, Runtime, Capture };

struct CommandLine {
    Subcommand subcommand = Subcommand::Help;
    std::string error;  // non-empty: bad usage
    BindingsOptions bindings;
    std::string html;      // --html FILE: also write the report as a web page
    std::string manifest;  // capture --manifest: replay with this manifest
    RuntimeOptions runtime;
    CaptureOptions capture;
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace olva::check
