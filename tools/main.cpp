// olva-check: finds, before an application runs, the mistakes the library
// itself stays quiet about.
//
//   olva-check bindings MANIFEST [--controllers SETUP]... [--json] [--strict] [--html FILE]
//   olva-check runtime CONFIG_FILE_OR_TEXT [--json] [--strict]
//   olva-check capture FILE [--json] [--strict] [--html FILE [--manifest MANIFEST]]
#include "cli.h"
#include "findings.h"
#include "html_bindings_report.h"
#include "html_capture.h"
#include "runtime_check.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace olva::check;
    std::ios::sync_with_stdio(false);

    const CommandLine command = ParseCommandLine(argc, argv);
    if (!command.error.empty()) {
        std::cerr << "olva-check: " << command.error << "\n\n" << kUsage;
        return kExitUsage;
    }
    try {
        switch (command.subcommand) {
        case Subcommand::Help:
            std::cout << kHelp;
            return kExitClean;
        case Subcommand::Version:
            std::cout << "olva-check " << OLVA_CHECK_VERSION << '\n';
            return kExitClean;
        case Subcommand::Runtime:
            return RunRuntimeCheck(command.runtime, std::cout);
        case Subcommand::Bindings:
            if (!command.html.empty()) {
                return RunBindingsCheckWithPage(command.bindings, command.html, std::cout, std::cerr);
            }
            return RunBindingsCheck(command.bindings, std::cout);
        case Subcommand::Capture:
            if (!command.html.empty() &&
                !WriteCapturePage({command.capture.file, command.manifest, command.html, ""}, std::cerr)) {
                return kExitFindings;
            }
            return RunCaptureCheck(command.capture, std::cout);
        }
    } catch (const std::exception& error) {
        // A fault of the tool, never a finding: report it and fail.
        std::cerr << "olva-check: internal error: " << error.what() << '\n';
    }
    return kExitFindings;
}
