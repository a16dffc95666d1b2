// The command line and the human output: usage errors, colour only on a
// terminal without NO_COLOR, and lines that fit 80 columns.
#include "tool_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

using olva::test::kCheckData;
using olva::test::RunTool;
using olva::test::RunToolOnTerminal;

TEST(CheckToolCommandLine, BadUsageExitsWithTwoAndShowsTheUsage)
{
    const std::string manifest = kCheckData + "/clean/actions.json";
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"lint", manifest},
        {"bindings"},
        {"bindings", manifest, manifest},
        {"bindings", manifest, "--colour"},
        {"bindings", manifest, "--controllers"},
        {"bindings", manifest, "--controllers", "left=joystick,left=touch"},
        {"bindings", manifest, "--controllers", "head=joystick"},
        {"bindings", manifest, "--controllers", "left=stick"},
        {"bindings", manifest, "--controllers", "left"},
        {"runtime"},
        {"runtime", "{}", "--controllers", "none"},
        {"--version", "extra"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const std::string& arg : args) {
            shown += arg + " ";
        }
        SCOPED_TRACE(shown);
        const auto run = RunTool(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_EQ(run.err.rfind("olva-check: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("usage: olva-check bindings MANIFEST"), std::string::npos) << run.err;
    }
}

TEST(CheckToolCommandLine, HelpAndVersionGoToStandardOutput)
{
    for (const char* option : {"--help", "-h"}) {
        const auto run = RunTool({"bindings", option});
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.out.find("--controllers SETUP"), std::string::npos);
    }
    const auto version = RunTool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("olva-check ", 0), 0u);
}

TEST(CheckToolCommandLine, ControllersMayBeGivenWithAnEqualsSign)
{
    const auto run =
        RunTool({"bindings", kCheckData + "/selection/actions.json", "--controllers=right=touch", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(olva::test::ParseReport(run).at("setups").at(0).at("selected").at("index"), 0);
}

bool HasColour(const std::string& text) { return text.find("\x1b[") != std::string::npos; }

TEST(CheckToolOutput, ColourOnlyOnATerminalWithoutNoColor)
{
    const std::vector<std::string> args = {"bindings", kCheckData + "/unbound_action/actions.json"};
    const auto terminal = RunToolOnTerminal(args);
    EXPECT_EQ(terminal.status, 0);
    EXPECT_TRUE(HasColour(terminal.out)) << terminal.out;

    const auto noColor = RunToolOnTerminal(args, {"NO_COLOR=1"});
    EXPECT_EQ(noColor.status, 0);
    EXPECT_NE(noColor.out.find("unbound-action"), std::string::npos);
    EXPECT_FALSE(HasColour(noColor.out)) << noColor.out;

    const auto dumb = RunToolOnTerminal(args, {"TERM=dumb"});
    EXPECT_FALSE(HasColour(dumb.out)) << dumb.out;

    const auto piped = RunTool(args);
    EXPECT_FALSE(HasColour(piped.out)) << piped.out;
}

// Lines fit in 80 columns, but for one that holds a single word too long
// for any line (a long path).
void ExpectFitsEightyColumns(const std::string& text)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.size() <= 80) {
            continue;
        }
        std::istringstream words(line);
        std::string word;
        std::size_t longest = 0;
        while (words >> word) {
            longest = std::max(longest, word.size());
        }
        EXPECT_GT(longest, 50u) << "too wide: " << line;
    }
}

TEST(CheckToolOutput, HumanReportsFitEightyColumns)
{
    for (const char* folder : {"clean", "selection", "binding_file_missing", "direction_without_dpad",
                               "analog_second_source", "undeclared_action", "no_joystick_entry"}) {
        SCOPED_TRACE(folder);
        const auto run = RunTool({"bindings", kCheckData + "/" + folder + "/actions.json"});
        ExpectFitsEightyColumns(run.out);
    }
    const auto runtime = RunTool({"runtime", std::string(R"({"olvaruntimepath": ")") + OLVA_TEST_RUNTIME_PARTIAL + "\"}"});
    ExpectFitsEightyColumns(runtime.out);
}

}  // namespace
