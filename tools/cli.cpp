#include "cli.h"

#include <string_view>
#include <vector>

namespace olva::check {

CommandLine ParseCommandLine(int argc, const char* const* argv)
{
    CommandLine command;
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty()) {
        command.error = "no subcommand given";
        return command;
    }
    for (std::string_view arg : args) {
        if (arg == "--") {
            break;
        }
        if (arg == "--help" || arg == "-h") {
            command.subcommand = Subcommand::Help;
            return command;
        }
    }
    if (args[0] == "--version") {
        command.subcommand = Subcommand::Version;
        if (args.size() > 1) {
            command.error = "--version takes no arguments";
        }
        return command;
    }
    if (args[0] == "bindings") {
        command.subcommand = Subcommand::Bindings;
    } else if (args[0] == "runtime") {
        command.subcommand = Subcommand::Runtime;
    } else if (args[0] == "capture") {
        command.subcommand = Subcommand::Capture;
    } else {
        command.error = "unknown subcommand \"" + std::string(args[0]) + "\"";
        return command;
    }
    const bool bindings = command.subcommand == Subcommand::Bindings;
    const bool capture = command.subcommand == Subcommand::Capture;

    std::vector<std::string> positional;
    bool json = false;
    bool strict = false;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional.emplace_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--strict") {
            strict = true;
        } else if ((bindings || capture) && (arg == "--html" || arg.substr(0, 7) == "--html=")) {
            if (arg == "--html" && i + 1 >= args.size()) {
                command.error = "--html needs a FILE";
                return command;
            }
            command.html = arg == "--html" ? std::string(args[++i]) : std::string(arg.substr(7));
            if (command.html.empty()) {
                command.error = "--html needs a FILE";
                return command;
            }
        } else if (capture && (arg == "--manifest" || arg.substr(0, 11) == "--manifest=")) {
            if (arg == "--manifest" && i + 1 >= args.size()) {
                command.error = "--manifest needs a MANIFEST";
                return command;
            }
            command.manifest = arg == "--manifest" ? std::string(args[++i]) : std::string(arg.substr(11));
            if (command.manifest.empty()) {
                command.error = "--manifest needs a MANIFEST";
                return command;
            }
        } else if (bindings && (arg == "--controllers" || arg.substr(0, 14) == "--controllers=")) {
            std::string_view spec;
            if (arg == "--controllers") {
                if (i + 1 >= args.size()) {
                    command.error = "--controllers needs a SETUP";
                    return command;
                }
                spec = args[++i];
            } else {
                spec = arg.substr(14);
            }
            ControllerSetup setup;
            std::string problem;
            if (!ParseControllerSetup(spec, setup, problem)) {
                command.error = "bad --controllers \"" + std::string(spec) + "\": " + problem;
                return command;
            }
            command.bindings.setups.push_back(std::move(setup));
        } else {
            command.error = "unknown option \"" + std::string(arg) + "\" for " + std::string(args[0]);
            return command;
        }
    }
    if (!command.manifest.empty() && command.html.empty()) {
        command.error = "--manifest is for the page: give --html FILE too";
        return command;
    }
    if (positional.size() != 1) {
        command.error = positional.empty() ?
                            std::string(bindings ? "bindings needs a MANIFEST" :
                                        command.subcommand == Subcommand::Capture ? "capture needs a FILE" :
                                                                                    "runtime needs a CONFIG_FILE_OR_TEXT") :
                            "too many arguments: \"" + positional[1] + "\"";
        return command;
    }
    if (bindings) {
        command.bindings.manifest = positional[0];
        command.bindings.json = json;
        command.bindings.strict = strict;
        if (command.bindings.setups.empty()) {
            command.bindings.setups = DefaultControllerSetups();
        }
    } else if (command.subcommand == Subcommand::Capture) {
        command.capture.file = positional[0];
        command.capture.json = json;
        command.capture.strict = strict;
    } else {
        command.runtime.configuration = positional[0];
        command.runtime.json = json;
        command.runtime.strict = strict;
    }
    return command;
}

}  // namespace olva::check
