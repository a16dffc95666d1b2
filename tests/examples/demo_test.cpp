// The demo application run end to end: the library on the simulated runtime
// with the bundled manifest, bindings and one scenario per controller kind.
#include "support/run_command.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using json = nlohmann::ordered_json;

const std::string kDemo = OLVA_DEMO;
const std::string kEmulator = OLVA_DEMO_EMULATOR;  // empty unless cross-built
const std::string kData = OLVA_DEMO_DATA_DIR;
const std::string kWork = OLVA_DEMO_TEST_WORK_DIR;

struct DemoRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

DemoRun RunDemo(const std::string& arguments)
{
    const std::string errPath = kWork + "/demo_test_stderr_" + std::to_string(::getpid()) + ".txt";
    const olva::test::CommandRun command =
        olva::test::RunCommandLine(olva::test::ProgramCommand(kEmulator, kDemo) + " " + arguments + " 2>'" + errPath + "'");
    DemoRun run;
    run.exitCode = command.exitCode;
    run.out = command.out;
    std::ifstream errFile(errPath);
    std::ostringstream err;
    err << errFile.rdbuf();
    run.err = err.str();
    std::remove(errPath.c_str());
    return run;
}

std::vector<json> Records(const std::string& out)
{
    std::vector<json> records;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        records.push_back(json::parse(line));
    }
    return records;
}

std::string Number(const json& value) { return value.dump(); }

// What changed, frame by frame, in the order the demo reports actions:
// "1 right fire pressed", "4 left move 0.0,0.8", "2 pad click 0x2".
std::vector<std::string> Changes(const std::vector<json>& records)
{
    std::vector<std::string> changes;
    json lastAnalog = json::object();
    uint64_t lastPad = 0;
    for (const json& record : records) {
        if (!record.contains("frame")) {
            continue;
        }
        const std::string frame = std::to_string(record["frame"].get<int>());
        for (const auto& [name, data] : record["digital"].items()) {
            EXPECT_FALSE(data.contains("result")) << name << " refused at frame " << frame;
            if (data.value("changed", false)) {
                changes.push_back(frame + " " + data["hand"].get<std::string>() + " " + name +
                                  (data["state"].get<bool>() ? " pressed" : " released"));
            }
        }
        for (const auto& [name, data] : record["analog"].items()) {
            EXPECT_FALSE(data.contains("result")) << name << " refused at frame " << frame;
            const json value = {data.value("x", 0.0), data.value("y", 0.0)};
            const json previous = lastAnalog.value(name, json{0.0, 0.0});
            if (value != previous) {
                std::string text = frame + " " + data["hand"].get<std::string>() + " " + name + " " + Number(value[0]);
                if (name == "move") {
                    text += "," + Number(value[1]);
                }
                changes.push_back(text);
            }
            lastAnalog[name] = value;
        }
        if (record.contains("gamepad")) {
            const uint64_t click = record["gamepad"]["click"].get<uint64_t>();
            if (click != lastPad) {
                char text[64];
                std::snprintf(text, sizeof text, " pad click 0x%llx", static_cast<unsigned long long>(click));
                changes.push_back(frame + text);
                lastPad = click;
            }
        }
    }
    return changes;
}

// Runs the demo on a bundled scenario and checks the shape of its records.
std::vector<json> RunBundled(const std::string& kind)
{
    const DemoRun run = RunDemo("--json --controller " + kind);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<json> records = Records(run.out);
    EXPECT_EQ(records.size(), 17u) << "16 frames and a summary";
    for (std::size_t i = 0; i + 1 < records.size(); ++i) {
        EXPECT_EQ(records[i]["frame"], i);
    }
    EXPECT_TRUE(records.back().contains("summary"));
    return records;
}

}  // namespace

TEST(Demo, TouchControllersReportTheScriptedPressesDirectionsAndValues)
{
    const std::vector<json> records = RunBundled("touch");
    const std::vector<std::string> expected = {
        "1 right fire pressed",          "1 right trigger_value 1.0",
        "3 right fire released",         "3 right trigger_value 0.0",
        "4 left move 0.0,0.8",           "5 right teleport_east pressed",
        "6 right teleport_east released", "6 left move 0.0,0.0",
        "7 left grab pressed",           "8 left grab released",
        "9 right jump pressed",          "10 right jump released",
        "10 left menu pressed",          "11 left menu released",
    };
    EXPECT_EQ(Changes(records), expected);

    // Held between its press and its release: on, without a change.
    const json& held = records[2]["digital"]["fire"];
    EXPECT_EQ(held, (json{{"active", true}, {"state", true}, {"changed", false}, {"hand", "right"}}));
    EXPECT_EQ(records.back()["summary"]["devices"],
              (json{{"right hand", "touch controller"}, {"left hand", "touch controller"}}));
}

TEST(Demo, JoystickControllersReportDiagonalsDeltasAndADisconnect)
{
    const std::vector<json> records = RunBundled("joystick");
    const std::vector<std::string> expected = {
        "1 right fire pressed",
        "1 right trigger_value 0.9",
        "2 right trigger_value 0.5",
        "3 right fire released",
        "3 right trigger_value 0.0",
        "4 right teleport_north pressed",  // (0.6, 0.6): two sectors at once
        "4 right teleport_east pressed",
        "5 right teleport_north released",
        "5 right teleport_east released",
        "5 right teleport_south pressed",
        "6 right teleport_south released",
        "7 left move -0.5,0.25",
        "8 right grab pressed",
        "9 right grab released",
        "9 left move 0.0,0.0",
        "10 left menu pressed",
        "11 left menu released",
        "12 right fire pressed",
        "12 right trigger_value 1.0",
        "13 right fire released",  // the controller dropped out while held
        "13 right trigger_value 0.0",
    };
    EXPECT_EQ(Changes(records), expected);

    // Deltas are the previous value minus the present one.
    const json& halfReleased = records[2]["analog"]["trigger_value"];
    EXPECT_NEAR(halfReleased["deltaX"].get<double>(), 0.4, 1e-4);
    const json& moved = records[7]["analog"]["move"];
    EXPECT_NEAR(moved["deltaX"].get<double>(), 0.5, 1e-4);
    EXPECT_NEAR(moved["deltaY"].get<double>(), -0.25, 1e-4);

    const json& summary = records.back()["summary"]["actions"];
    EXPECT_EQ(summary["fire"], (json{{"presses", 2}, {"releases", 2}}));
    EXPECT_EQ(summary["teleport_west"], (json{{"presses", 0}, {"releases", 0}}));
}

TEST(Demo, AGamepadDrivesNoHandActionsAndShowsItsRawState)
{
    const std::vector<json> records = RunBundled("gamepad");
    // The action system reads hand controllers only. The manifest has no
    // gamepad entry, so the joystick bindings are selected; with no hand
    // present no action ever turns on or moves, while the gamepad's own
    // masks come through the forwarding.
    const std::vector<std::string> expected = {"1 pad click 0x2", "2 pad click 0x102", "3 pad click 0x0"};
    EXPECT_EQ(Changes(records), expected);
    for (const json& record : records) {
        if (record.contains("frame")) {
            for (const auto& [name, data] : record["digital"].items()) {
                EXPECT_FALSE(data["state"].get<bool>()) << name;
                EXPECT_FALSE(data["changed"].get<bool>()) << name;
            }
            EXPECT_EQ(record["analog"]["move"].value("y", 0.0), 0.0);
        }
    }
}

TEST(Demo, TheSameScenarioPrintsTheSameFrames)
{
    const DemoRun first = RunDemo("--controller joystick");
    const DemoRun second = RunDemo("--controller joystick");
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.out.find("frame   4  right  teleport_north   pressed   (stick north)"), std::string::npos)
        << first.out;
    EXPECT_EQ(first.out, second.out);
}

TEST(Demo, ErrorsAreOneClearLineAndANonzeroExit)
{
    const std::string badManifest = kWork + "/demo_test_bad_manifest.json";
    std::ofstream(badManifest) << R"({"default_bindings": []})";  // no binding to select
    const std::string badConfig = kWork + "/demo_test_bad_config.json";
    std::ofstream(badConfig) << R"({"olvaruntimepath": 5})";

    const struct {
        std::string arguments;
        std::string message;
    } cases[] = {
        {"--manifest /nonexistent/actions.json",
         "olva_demo: cannot open the manifest '/nonexistent/actions.json': No such file or directory"},
        {"--scenario /nonexistent/scenario.json", "olva_demo: cannot open the scenario '/nonexistent/scenario.json'"},
        {"--manifest '" + badManifest + "'",
         "olva_demo: the library rejected the manifest '" + badManifest + "': OLVA_RESULT_INVALID_ARGUMENT (-8)"},
        {"--runtime /nonexistent/libruntime.so", "olva_demo: cannot create the runtime: dlopen调用失败"},
        {"--config '" + badConfig + "'", "olva_demo: cannot create the runtime: 读取runtimePath路径失败"},
        {"--scenario '" + kData + "/game_actions.json'", "olva_demo: the runtime refused to start"},
        {"--frames 0", "olva_demo: --frames needs a whole number"},
        {"--controller keyboard", "olva_demo: --controller is touch, joystick or gamepad"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const DemoRun run = RunDemo(c.arguments);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_EQ(run.exitCode, 1) << "a clean exit, not a crash";
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        std::istringstream lines(run.err);
        std::string line;
        int own = 0;
        while (std::getline(lines, line)) {
            own += line.rfind("olva_demo: ", 0) == 0 ? 1 : 0;
        }
        EXPECT_EQ(own, 1) << run.err;
    }

    // A scenario the simulated runtime rejects is named with its problem.
    const DemoRun run = RunDemo("--scenario '" + kData + "/game_actions.json'");
    EXPECT_NE(run.err.find("olva_sim_runtime: " + kData + "/game_actions.json: top level: unknown key"),
              std::string::npos)
        << run.err;
}
