// Capture and replay end to end, as a user runs them: the demo on every
// bundled scenario straight on the simulated runtime, through the capture
// layer, and replayed from that capture prints the same frames. Also a
// session killed mid-run, a torn and a corrupt capture, and bad capture
// settings, each in a process of its own.
#include "capture_format.h"
#include "support/run_command.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kDemo = OLVA_DEMO;
const std::string kEmulator = OLVA_DEMO_EMULATOR;  // empty unless cross-built
const std::string kData = OLVA_DEMO_DATA_DIR;
const std::string kLayer = OLVA_CAPTURE_LAYER;
const std::string kSimRuntime = OLVA_SIM_RUNTIME;
const std::string kWork = OLVA_TEST_WORK_DIR;

struct DemoRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Slurp(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Files a test made, removed when it ends.
std::vector<std::string> g_madeFiles;

// A per-process file name under the test's work folder.
std::string WorkFile(const std::string& name)
{
    g_madeFiles.push_back(kWork + "/roundtrip_" + std::to_string(::getpid()) + "_" + name);
    return g_madeFiles.back();
}

class CaptureRoundTrip : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const std::string& path : g_madeFiles) {
            std::remove(path.c_str());
        }
        g_madeFiles.clear();
    }
};

DemoRun RunDemo(const std::string& arguments)
{
    const std::string errPath = WorkFile("stderr.txt");
    const olva::test::CommandRun command =
        olva::test::RunCommandLine(olva::test::ProgramCommand(kEmulator, kDemo) + " " + arguments + " 2>'" + errPath + "'");
    DemoRun run;
    run.exitCode = command.exitCode;
    run.out = command.out;
    run.err = Slurp(errPath);
    std::remove(errPath.c_str());
    return run;
}

// Configurations as files: through the layer, and replayed from a capture.
std::string LayerConfig(const std::string& scenario, const std::string& capture, const std::string& name)
{
    const std::string path = WorkFile(name + "_layer.json");
    WriteFile(path, "{\"olvaruntimepath\": " + Quoted(kLayer) + ", \"capture\": {\"runtime\": " + Quoted(kSimRuntime) +
                        ", \"file\": " + Quoted(capture) + "}, \"simulation\": " + Quoted(scenario) + "}");
    return path;
}

std::string ReplayConfig(const std::string& capture, const std::string& name)
{
    const std::string path = WorkFile(name + "_replay.json");
    WriteFile(path, "{\"olvaruntimepath\": " + Quoted(kSimRuntime) + ", \"simulation\": " + Quoted(capture) + "}");
    return path;
}

std::vector<std::string> BundledScenarios()
{
    std::vector<std::string> scenarios;
    for (const auto& entry : std::filesystem::directory_iterator(kData)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("scenario_", 0) == 0 && entry.path().extension() == ".json") {
            scenarios.push_back(entry.path().string());
        }
    }
    return scenarios;
}

olva::capture::Capture ReadCapture(const std::string& path)
{
    olva::capture::Capture capture;
    std::string error;
    EXPECT_TRUE(olva::capture::ReadCaptureFile(path, capture, error)) << error;
    return capture;
}

TEST_F(CaptureRoundTrip, EveryBundledScenarioReplaysTheSameFrames)
{
    const std::vector<std::string> scenarios = BundledScenarios();
    ASSERT_GE(scenarios.size(), 3u);
    for (const std::string& scenario : scenarios) {
        SCOPED_TRACE(scenario);
        const std::string name = std::filesystem::path(scenario).stem().string();
        const std::string capture = WorkFile(name + ".capture");
        for (const char* frames : {"16", "40"}) {
            SCOPED_TRACE(std::string("frames ") + frames);
            const DemoRun straight = RunDemo("--scenario '" + scenario + "' --json --frames " + frames);
            const DemoRun layered =
                RunDemo("--config '" + LayerConfig(scenario, capture, name) + "' --json --frames " + frames);
            const DemoRun replayed = RunDemo("--config '" + ReplayConfig(capture, name) + "' --json --frames " + frames);
            ASSERT_EQ(straight.exitCode, 0) << straight.err;
            ASSERT_EQ(layered.exitCode, 0) << layered.err;
            ASSERT_EQ(replayed.exitCode, 0) << replayed.err;
            EXPECT_GT(straight.out.size(), 100u);
            EXPECT_EQ(layered.out, straight.out) << "the layer changed the application's view";
            EXPECT_EQ(replayed.out, straight.out) << "the replay differs from the session";
            const olva::capture::Capture read = ReadCapture(capture);
            EXPECT_TRUE(read.problems.empty());
            EXPECT_EQ(read.frames.size(), static_cast<std::size_t>(std::stoi(frames)) + 1);
        }
        std::remove(capture.c_str());
    }
}

// Waits until path holds at least lines complete lines, or gives up.
bool WaitForLines(const std::string& path, std::size_t lines)
{
    for (int attempt = 0; attempt < 600; ++attempt) {
        const std::string text = Slurp(path);
        if (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= lines) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

TEST_F(CaptureRoundTrip, AKilledSessionLeavesACaptureWhoseLinesAllReplay)
{
    const std::string scenario = kData + "/scenario_touch.json";
    const std::string capture = WorkFile("killed.capture");
    const std::string config = LayerConfig(scenario, capture, "killed");
    // exec replaces the shell, so the child's pid is the demo's (or its
    // emulator's in a cross build).
    const std::string command = "exec " + (kEmulator.empty() ? "" : kEmulator + " ") + "'" + kDemo +
                                "' --config '" + config + "' --json --frames 1000000 >/dev/null 2>&1";
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const bool started = WaitForLines(capture, 60);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(started) << "the demo wrote no capture";
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the demo ended before it was killed";

    const olva::capture::Capture read = ReadCapture(capture);
    EXPECT_FALSE(read.Corrupt());
    ASSERT_GE(read.frames.size(), 59u);
    EXPECT_TRUE(read.frames.back().waitResult.has_value());  // no end line: the session never ended
    // Frame k of the demo reads the answers of capture frame k + 1, so every
    // complete line but the first replays a demo frame.
    const std::string frames = std::to_string(read.frames.size() - 1);
    const DemoRun straight = RunDemo("--scenario '" + scenario + "' --json --frames " + frames);
    const DemoRun replayed = RunDemo("--config '" + ReplayConfig(capture, "killed") + "' --json --frames " + frames);
    ASSERT_EQ(replayed.exitCode, 0) << replayed.err;
    EXPECT_EQ(replayed.out, straight.out);
    std::remove(capture.c_str());
}

TEST_F(CaptureRoundTrip, ATornLastLineIsReportedAndIgnored)
{
    const std::string scenario = kData + "/scenario_joystick.json";
    const std::string capture = WorkFile("torn.capture");
    ASSERT_EQ(RunDemo("--config '" + LayerConfig(scenario, capture, "torn") + "' --json --frames 16").exitCode, 0);
    std::string text = Slurp(capture);
    // Cut the file inside its last frame line with changes (the right
    // controller's disconnection at frame 14, line 16).
    std::size_t cut = 0;
    for (int line = 0; line < 15; ++line) {
        cut = text.find('\n', cut) + 1;
    }
    WriteFile(capture, text.substr(0, cut + 4));

    const DemoRun replayed = RunDemo("--config '" + ReplayConfig(capture, "torn") + "' --json --frames 13");
    ASSERT_EQ(replayed.exitCode, 0) << replayed.err;
    EXPECT_NE(replayed.err.find(capture + ": line 16: the last line is cut off"), std::string::npos) << replayed.err;
    EXPECT_EQ(replayed.out, RunDemo("--scenario '" + scenario + "' --json --frames 13").out);
    std::remove(capture.c_str());
}

TEST_F(CaptureRoundTrip, ACorruptCaptureIsRefusedWithFileAndLine)
{
    const std::string capture = WorkFile("corrupt.capture");
    WriteFile(capture, olva::capture::HeaderLine({{"producer", "test"}}) + "S=18 I3=3 I4=3\nB3.3=1 B4.3=zz\n.\n");
    const DemoRun replayed = RunDemo("--config '" + ReplayConfig(capture, "corrupt") + "' --json");
    EXPECT_EQ(replayed.exitCode, 1);
    EXPECT_NE(replayed.err.find("olva_sim_runtime: " + capture + ": line 3: bad answer in \"B4.3=zz\""),
              std::string::npos)
        << replayed.err;
    EXPECT_TRUE(replayed.out.empty());
    std::remove(capture.c_str());
}

TEST_F(CaptureRoundTrip, BadCaptureSettingsStopTheDemoWithOneLine)
{
    struct Row {
        const char* what;
        std::string runtime;
        std::string file;
        std::string message;
    };
    const Row rows[] = {
        {"capture file in a missing folder", kSimRuntime, "/nonexistent-capture-dir/s.capture",
         "cannot create the capture file '/nonexistent-capture-dir/s.capture': No such file or directory"},
        {"missing real runtime", "/nonexistent/libreal_runtime.so", WorkFile("unused.capture"),
         "cannot open the runtime library '/nonexistent/libreal_runtime.so': "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string config = WorkFile("bad.json");
        WriteFile(config, "{\"olvaruntimepath\": " + Quoted(kLayer) + ", \"capture\": {\"runtime\": " +
                              Quoted(row.runtime) + ", \"file\": " + Quoted(row.file) + "}}");
        const DemoRun run = RunDemo("--config '" + config + "' --json");
        EXPECT_EQ(run.exitCode, 1);
        std::istringstream lines(run.err);
        std::string line;
        int layerLines = 0;
        while (std::getline(lines, line)) {
            if (line.rfind("olva_capture: ", 0) == 0) {
                ++layerLines;
                EXPECT_NE(line.find(row.message), std::string::npos) << line;
            }
        }
        EXPECT_EQ(layerLines, 1) << run.err;
        EXPECT_NE(run.err.find("olva_demo: the runtime refused to start"), std::string::npos) << run.err;
        std::remove(config.c_str());
    }
}

}  // namespace
