// The pages in docs/. Every fenced block whose info string names a file of
// docs/examples ("```json examples/actions.json") shows that file exactly,
// so the pages and the files cannot drift apart; the demo output and the
// function list shown are what the demo prints and the loader resolves.
#include "docs_fixture.h"
#include "loader/olva_framework.h"
#include "scenario.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace olva::test;

struct FencedBlock {
    std::string page;     // file name in docs/
    int line = 0;         // of the opening fence
    std::string language; // first word of the info string
    std::string file;     // second word when it names docs/examples/...: a path relative to docs/
    std::string text;     // the lines between the fences, each with its newline
};

std::vector<FencedBlock> FencedBlocks(const fs::path& page)
{
    std::vector<FencedBlock> blocks;
    std::istringstream lines(ReadText(page.string()));
    std::string line;
    int number = 0;
    FencedBlock* open = nullptr;
    std::size_t indent = 0;  // of the opening fence, taken off each line of the block
    while (std::getline(lines, line)) {
        ++number;
        const std::size_t start = line.find_first_not_of(' ');
        const bool fence = start != std::string::npos && line.compare(start, 3, "```") == 0;
        if (open == nullptr) {
            if (fence) {
                FencedBlock& block = blocks.emplace_back();
                block.page = page.filename().string();
                block.line = number;
                std::istringstream info(line.substr(start + 3));
                info >> block.language >> block.file;
                if (block.file.rfind("examples/", 0) != 0) {
                    block.file.clear();  // other words after the language are not ours to judge
                }
                indent = start;
                open = &block;
            }
        } else if (fence && line.find_first_not_of('`', start) == std::string::npos) {
            open = nullptr;
        } else {
            std::size_t drop = 0;
            while (drop < indent && drop < line.size() && line[drop] == ' ') {
                ++drop;
            }
            open->text += line.substr(drop) + "\n";
        }
    }
    EXPECT_EQ(open, nullptr) << page << ": a fenced block is not closed";
    return blocks;
}

// The pages whose JSON examples must all be files of docs/examples.
const std::set<std::string> kPagesWithFileExamples = {"file-formats.md", "coming-from-openxr.md",
                                                       "writing-a-runtime.md"};

TEST(DocsExamples, BlocksNamingAFileShowItVerbatim)
{
    std::set<std::string> shown;
    std::set<std::string> pages;
    for (const fs::directory_entry& entry : fs::directory_iterator(kDocs)) {
        if (entry.path().extension() != ".md") {
            continue;
        }
        pages.insert(entry.path().filename().string());
        for (const FencedBlock& block : FencedBlocks(entry.path())) {
            SCOPED_TRACE(block.page + ":" + std::to_string(block.line));
            if (block.file.empty()) {
                EXPECT_FALSE(block.language == "json" && kPagesWithFileExamples.count(block.page) != 0)
                    << "a JSON example that is not a file of docs/examples";
                continue;
            }
            const fs::path file = fs::path(kDocs) / block.file;
            ASSERT_TRUE(fs::is_regular_file(file)) << block.file;
            EXPECT_EQ(block.text, ReadText(file.string())) << block.file << " differs from its block";
            shown.insert(fs::relative(file, kDocs).generic_string());
        }
    }
    for (const std::string& page : kPagesWithFileExamples) {
        EXPECT_EQ(pages.count(page), 1u) << page;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(kDocs + "/examples")) {
        const std::string name = "examples/" + entry.path().filename().string();
        EXPECT_EQ(shown.count(name), 1u) << name << " is shown in no page";
    }
}

#ifdef OLVA_DEMO
// The demo run that the file formats page shows: its frame lines, as the
// demo prints them with the example configuration and manifest.
TEST(DocsExamples, TheDemoPrintsTheFramesThePageShows)
{
    std::string shownFrames;
    for (const FencedBlock& block : FencedBlocks(kDocs + "/file-formats.md")) {
        if (block.language == "text" && block.text.rfind("frame ", 0) == 0) {
            shownFrames = block.text;
            break;
        }
    }
    ASSERT_FALSE(shownFrames.empty()) << "no demo output on the page";

    nlohmann::json config = olva::ParseRuntimeConfiguration(ReadText(kDocs + "/examples/runtime_config.json"));
    config["olvaruntimepath"] = OLVA_SIM_RUNTIME;
    const fs::path configFile = fs::temp_directory_path() / ("docs_examples_config_" + std::to_string(::getpid()));
    std::ofstream(configFile) << config.dump();
    const std::string command = "cd '" + kSource + "' && '" + OLVA_DEMO + "' --config '" + configFile.string() +
                                "' --manifest docs/examples/actions.json --frames 10 2>/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string printedFrames;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        if (std::string_view(line).rfind("frame ", 0) == 0) {
            printedFrames += line;
        }
    }
    EXPECT_EQ(::pclose(pipe), 0);
    fs::remove(configFile);
    EXPECT_EQ(printedFrames, shownFrames);
}
#endif

TEST(DocsExamples, TheRuntimePageListsEveryResolvedFunction)
{
    const std::string page = ReadText(kDocs + "/writing-a-runtime.md");
    for (const std::string& name : g_funVec) {
        EXPECT_NE(page.find("`" + name + "`"), std::string::npos) << name;
    }
}

TEST(DocsExamples, TheScenarioReadsAsTheSimulatedRuntimeReadsIt)
{
    olva::sim::Scenario scenario;
    std::string error;
    ASSERT_TRUE(olva::sim::ParseScenario(ReadText(kDocs + "/examples/scenario.json"), scenario, error)) << error;
    using olva::sim::Kind;
    using olva::sim::Slot;
    EXPECT_EQ(scenario.controllers[static_cast<std::size_t>(Slot::Right)], Kind::Joystick);
    EXPECT_EQ(scenario.controllers[static_cast<std::size_t>(Slot::Left)], Kind::Joystick);
    EXPECT_FALSE(scenario.controllers[static_cast<std::size_t>(Slot::Gamepad)].has_value());
    EXPECT_EQ(scenario.timeline.size(), 8u);
}

}  // namespace
