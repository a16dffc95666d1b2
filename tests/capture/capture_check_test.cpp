// olva-check capture run as a user runs it, on a capture of the demo's
// joystick scenario and damaged copies of it.
#include "support/run_command.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using json = nlohmann::json;

const std::string kTool = OLVA_CHECK;
const std::string kEmulator = OLVA_CHECK_EMULATOR;  // empty unless cross-built
const std::string kData = OLVA_CAPTURE_TEST_DATA_DIR;
const std::string kWork = OLVA_TEST_WORK_DIR;

using ToolRun = olva::test::CommandRun;

ToolRun RunTool(const std::string& arguments)
{
    return olva::test::RunCommandLine(olva::test::ProgramCommand(kEmulator, kTool) + " " + arguments + " 2>&1");
}

std::string Slurp(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class CaptureCheck : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const std::string& path : m_made) {
            std::remove(path.c_str());
        }
    }
    // A file of its own holding text.
    std::string Damaged(const std::string& name, const std::string& text)
    {
        m_made.push_back(kWork + "/capture_check_" + std::to_string(::getpid()) + "_" + name + ".capture");
        std::ofstream(m_made.back(), std::ios::binary) << text;
        return m_made.back();
    }
    const std::string capture = kData + "/joystick.capture";

private:
    std::vector<std::string> m_made;
};

TEST_F(CaptureCheck, SummarisesTheSession)
{
    const ToolRun run = RunTool("capture '" + capture + "' --json");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const json report = json::parse(run.out);
    EXPECT_EQ(report["version"], 1);
    EXPECT_EQ(report["header"]["producer"], "libolva_capture 2.0.0");
    EXPECT_EQ(report["frames"], 17);
    EXPECT_EQ(report["ended"], true);
    ASSERT_EQ(report["devices"].size(), 2u);
    EXPECT_EQ(report["devices"][0]["name"], "right hand");
    EXPECT_EQ(report["devices"][0]["kind"], "joystick controller");
    const json& right = report["hands"]["right"];
    // The scenario presses the trigger (bit 8) twice and the grip (bit 7) once.
    EXPECT_EQ(right["presses"], json::parse(R"([{"bit": 7, "inputs": "grip", "count": 1},
                                                {"bit": 8, "inputs": "trigger", "count": 2}])"));
    EXPECT_EQ(right["analog"]["trigger"]["x"], json({0.0, 1.0}));
    EXPECT_EQ(right["analog"]["position"]["y"][0].get<double>(), static_cast<double>(-0.9f));
    EXPECT_EQ(report["hands"]["left"]["presses"], json::parse(R"([{"bit": 6, "inputs": "menu", "count": 1}])"));
    EXPECT_EQ(report["errors"], 0);

    const ToolRun human = RunTool("capture '" + capture + "'");
    EXPECT_EQ(human.exitCode, 0);
    EXPECT_NE(human.out.find("Frames   17"), std::string::npos) << human.out;
    EXPECT_NE(human.out.find("  presses   grip (bit 7) 1, trigger (bit 8) 2\n"), std::string::npos) << human.out;
}

TEST_F(CaptureCheck, ReportsDamageWithExitStatuses)
{
    const std::string text = Slurp(capture);
    const std::string torn = Damaged("torn", text.substr(0, text.size() - 2));
    const std::string corrupt =
        Damaged("corrupt", text.substr(0, text.find("A3.3.8=0.5,0")) + "A3.3.8=0.5\n");
    struct Row {
        const char* what;
        std::string arguments;
        int exitCode;
        std::string finding;
    };
    const Row rows[] = {
        {"torn", "'" + torn + "'", 0, "torn-line"},
        {"torn, strict", "'" + torn + "' --strict", 1, "torn-line"},
        {"corrupt", "'" + corrupt + "'", 1, "corrupt-line"},
        {"missing", "'" + kWork + "/no-such.capture'", 1, "capture-unreadable"},
        {"a scenario", "'" + Damaged("scenario", "{\"timeline\": []}\n") + "' --json", 1, "not a capture"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const ToolRun run = RunTool("capture " + row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.out;
        EXPECT_NE(run.out.find(row.finding), std::string::npos) << run.out;
    }
    const json report = json::parse(RunTool("capture '" + corrupt + "' --json").out);
    EXPECT_EQ(report["findings"][0]["location"], "line 5");
    EXPECT_EQ(report["frames"], 3);  // the frames before the corrupt line
    EXPECT_EQ(RunTool("capture").exitCode, 2);
    EXPECT_EQ(RunTool("capture a b").exitCode, 2);
}

#ifdef OLVA_SIM_RUNTIME
// olva-check runtime judges a configuration that replays a capture with the
// replay's reader, not as a scenario.
TEST_F(CaptureCheck, RuntimeCheckAcceptsReplayConfigurations)
{
    const std::string text = Slurp(capture);
    const std::string corrupt = Damaged("corrupt", text.substr(0, text.find("A3.3.8=0.5,0")) + "A3.3.8=0.5\n");
    auto config = [&](const std::string& name, const std::string& file) {
        return Damaged(name, "{\"olvaruntimepath\": \"" + std::string(OLVA_SIM_RUNTIME) + "\", \"simulation\": \"" +
                                 file + "\"}");
    };
    const ToolRun good = RunTool("runtime '" + config("good_config", capture) + "'");
    EXPECT_EQ(good.exitCode, 0) << good.out;
    EXPECT_NE(good.out.find("\"replay of a capture, 17 frames\""), std::string::npos) << good.out;
    const ToolRun bad = RunTool("runtime '" + config("bad_config", corrupt) + "' --json");
    EXPECT_EQ(bad.exitCode, 1) << bad.out;
    EXPECT_NE(bad.out.find("rejects the capture " + corrupt + ": line 5: bad answer"), std::string::npos) << bad.out;
}
#endif

}  // namespace
