#include "html_capture.h"

#include "html_bindings_report.h"
#include "html_session_replay.h"

#include <unistd.h>

#include <sys/stat.h>

namespace olva::check {

namespace {

constexpr const char* kSimRuntimeName = "libolva_sim_runtime.so";

bool IsFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string ExecutableDirectory()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return ".";
    }
    const std::string executable(path, static_cast<std::size_t>(length));
    const std::size_t slash = executable.rfind('/');
    return slash == std::string::npos ? "." : executable.substr(0, slash);
}

// A path under the working directory, as the user would write it.
std::string Shown(const std::string& path)
{
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr) {
        return path;
    }
    const std::string prefix = std::string(cwd) + "/";
    return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
}

void AddProblems(const capture::Capture& capture, html::SessionPage& page)
{
    for (const capture::Problem& problem : capture.problems) {
        page.facts.push_back({problem.torn ? "torn" : "corrupt",
                              "line " + std::to_string(problem.line) + ": " + problem.what +
                                  (problem.torn ? " (ignored)" : " (frames from here on are not shown)")});
    }
}

}  // namespace

std::string SimulatedRuntimePath()
{
    const std::string directory = ExecutableDirectory();
    for (const std::string& candidate :
         {directory + "/" + kSimRuntimeName, directory + "/../lib/" + kSimRuntimeName}) {
        if (IsFile(candidate)) {
            return candidate;
        }
    }
#ifdef OLVA_CHECK_SIM_RUNTIME
    return OLVA_CHECK_SIM_RUNTIME;
#else
    return kSimRuntimeName;  // left to the dynamic loader's search
#endif
}

html::SessionPage SessionPageFromCapture(const capture::Capture& capture, const std::string& file)
{
    html::SessionPage page;
    page.title = "Session captured in " + file;
    page.facts = {{"capture", file}, {"format", "version " + std::to_string(capture.version)}, {"header", capture.header}};
    AddProblems(capture, page);
    const std::vector<capture::HandFrame> timeline = capture::HandTimeline(capture);
    page.firstFrame = 0;
    page.frameCount = timeline.size();
    // The left hand first, as on the bindings page.
    for (const capture::Hand hand : {capture::kLeft, capture::kRight}) {
        HandSeries series;
        series.right = hand == capture::kRight;
        for (const capture::HandFrame& frame : timeline) {
            const capture::HandState& state = frame.hands[hand];
            series.present = series.present || state.present;
            if (state.present) {
                series.inputType = static_cast<uint64_t>(state.inputType);
            }
            HandSample sample;
            sample.connected = state.connected;
            sample.click = state.click;
            sample.touch = state.touch;
            for (std::size_t slot = 0; slot < 3; ++slot) {
                sample.analog[slot] = state.analogRead[slot] ? state.analog[slot] : OLVA_Vector2f{0.0f, 0.0f};
            }
            series.frames.push_back(sample);
        }
        page.hands.push_back(SessionHandOf(series));
    }
    return page;
}

bool WriteCapturePage(const CapturePageOptions& options, std::ostream& err)
{
    capture::Capture capture;
    std::string error;
    if (!capture::ReadCaptureFile(options.file, capture, error)) {
        err << "olva-check: " << error << '\n';
        return false;
    }
    html::SessionPage page;
    if (options.manifest.empty()) {
        page = SessionPageFromCapture(capture, options.file);
    } else {
        // Frame 0 of a capture holds what was asked before the first
        // OLVA_WaitFrame; every later frame is one update.
        ReplayOptions replay;
        replay.runtime = options.runtime.empty() ? SimulatedRuntimePath() : options.runtime;
        replay.simulation = options.file;
        replay.manifest = options.manifest;
        replay.frames = capture.frames.empty() ? 0 : capture.frames.size() - 1;
        replay.firstFrame = 1;
        if (replay.runtime.find('/') != std::string::npos && !IsFile(replay.runtime)) {
            err << "olva-check: the simulated runtime " << replay.runtime
                << " that replays captures is not there (it is built and installed with olva-check)\n";
            return false;
        }
        if (!ReplaySession(replay, page, error)) {
            err << "olva-check: " << options.file << ": " << error << '\n';
            return false;
        }
        page.title = "Session captured in " + options.file;
        page.facts = {{"capture", options.file},
                      {"manifest", options.manifest},
                      {"replayed by", "the library's input system on " + Shown(replay.runtime)}};
        AddProblems(capture, page);
    }
    if (!WriteTextFile(options.html, html::RenderSessionPage(page), error)) {
        err << "olva-check: cannot write " << options.html << ": " << error << '\n';
        return false;
    }
    return true;
}

}  // namespace olva::check
