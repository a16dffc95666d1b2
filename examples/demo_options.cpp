#include "demo_options.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace olva::demo {

namespace {

constexpr const char* kDataDir = OLVA_DEMO_DATA_DIR;
constexpr const char* kSimRuntimeName = "libolva_sim_runtime.so";

std::string ExecutableDirectory()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
        return ".";
    }
    std::string text(path, static_cast<std::size_t>(length));
    const auto slash = text.rfind('/');
    return slash == std::string::npos ? "." : text.substr(0, slash);
}

bool IsFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The simulated runtime next to the executable; else where an install puts
// it, <prefix>/<libdir>/olva/, seen from <prefix>/bin; else the one this
// build made.
std::string DefaultRuntime()
{
    const std::string directory = ExecutableDirectory();
    const std::string besideExecutable = directory + "/" + kSimRuntimeName;
    if (IsFile(besideExecutable)) {
        return besideExecutable;
    }
#ifdef OLVA_DEMO_INSTALLED_SIM_DIR
    const std::string installedDir = OLVA_DEMO_INSTALLED_SIM_DIR;
    const std::string installed =
        (installedDir.front() == '/' ? installedDir : directory + "/../" + installedDir) + "/" + kSimRuntimeName;
    if (IsFile(installed)) {
        return installed;
    }
#endif
#ifdef OLVA_DEMO_SIM_RUNTIME
    return OLVA_DEMO_SIM_RUNTIME;
#else
    return kSimRuntimeName;  // left to the dynamic loader's search
#endif
}

}  // namespace

void PrintUsage(std::FILE* out)
{
    std::fprintf(out,
                 "usage: olva_demo [options]\n"
                 "Runs a small game's input through libolva_framework on the simulated runtime.\n"
                 "\n"
                 "  --controller KIND  bundled scenario for touch, joystick or gamepad (default touch)\n"
                 "  --scenario FILE    scenario file for the simulated runtime\n"
                 "  --manifest FILE    action manifest (default: the bundled game_actions.json)\n"
                 "  --runtime FILE     runtime library (default: the simulated runtime)\n"
                 "  --config FILE      runtime configuration text, used as it is (instead of\n"
                 "                     --runtime and --scenario)\n"
                 "  --frames N         frames to run (default %d)\n"
                 "  --json             one JSON record per frame, then a summary record\n"
                 "  --help             this text\n",
                 kDefaultFrames);
}

std::optional<std::string> ParseOptions(int argc, char** argv, Options& options, bool& help)
{
    std::string controller;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& target) -> std::optional<std::string> {
            if (i + 1 >= argc) {
                return arg + " needs a value";
            }
            target = argv[++i];
            return std::nullopt;
        };
        std::optional<std::string> error;
        if (arg == "--help" || arg == "-h") {
            help = true;
            return std::nullopt;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--controller") {
            error = value(controller);
        } else if (arg == "--scenario") {
            error = value(options.scenario);
        } else if (arg == "--manifest") {
            error = value(options.manifest);
        } else if (arg == "--runtime") {
            error = value(options.runtime);
        } else if (arg == "--config") {
            error = value(options.config);
        } else if (arg == "--frames") {
            std::string count;
            error = value(count);
            if (!error) {
                char* end = nullptr;
                errno = 0;
                const long frames = std::strtol(count.c_str(), &end, 10);
                if (count.empty() || *end != '\0' || errno != 0 || frames < 1 || frames > 1'000'000) {
                    return "--frames needs a whole number from 1 to 1000000, not '" + count + "'";
                }
                options.frames = static_cast<int>(frames);
            }
        } else {
            return "unknown option '" + arg + "' (see --help)";
        }
        if (error) {
            return error;
        }
    }
    if (!controller.empty()) {
        if (controller != "touch" && controller != "joystick" && controller != "gamepad") {
            return "--controller is touch, joystick or gamepad, not '" + controller + "'";
        }
        if (!options.scenario.empty()) {
            return "give --controller or --scenario, not both";
        }
        options.scenario = std::string(kDataDir) + "/scenario_" + controller + ".json";
    }
    if (!options.config.empty() && (!options.runtime.empty() || !options.scenario.empty())) {
        return "--config is used as it is: give it without --runtime, --scenario and --controller";
    }
    if (options.scenario.empty()) {
        options.scenario = std::string(kDataDir) + "/scenario_touch.json";
    }
    if (options.manifest.empty()) {
        options.manifest = std::string(kDataDir) + "/game_actions.json";
    }
    if (options.runtime.empty()) {
        options.runtime = DefaultRuntime();
    }
    return std::nullopt;
}

std::optional<std::string> Unreadable(const std::string& path, const char* what)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::string("cannot open the ") + what + " '" + path + "': " + std::strerror(errno);
    }
    if (!S_ISREG(info.st_mode)) {
        return std::string("cannot open the ") + what + " '" + path + "': not a regular file";
    }
    if (!std::ifstream(path)) {
        return std::string("cannot open the ") + what + " '" + path + "': " + std::strerror(errno);
    }
    return std::nullopt;
}

std::optional<std::string> ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string Shown(const std::string& path)
{
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr) {
        return path;
    }
    const std::string prefix = std::string(cwd) + "/";
    return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
}

}  // namespace olva::demo
