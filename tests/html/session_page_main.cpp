// Writes the session page of a replayed simulation: the tests and the
// README's screenshot use it on the bundled scenarios. A program of its own
// because the replay drives the library's process-wide state once.
//
//   olva_html_session_page RUNTIME SIMULATION MANIFEST FRAMES OUT.html
#include "html_page.h"
#include "html_session.h"
#include "html_session_replay.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s RUNTIME SIMULATION MANIFEST FRAMES OUT.html\n", argv[0]);
        return 2;
    }
    olva::check::ReplayOptions options;
    options.runtime = argv[1];
    options.simulation = argv[2];
    options.manifest = argv[3];
    options.frames = std::strtoul(argv[4], nullptr, 10);
    olva::check::html::SessionPage page;
    std::string error;
    if (!olva::check::ReplaySession(options, page, error)) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
        return 1;
    }
    page.title = "Session of " + options.simulation;
    page.facts = {{"simulation", options.simulation}, {"manifest", options.manifest}};
    std::ofstream out(argv[5], std::ios::binary);
    out << olva::check::html::RenderSessionPage(page);
    return out ? 0 : 1;
}
