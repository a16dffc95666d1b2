// The pages in docs/. Every fenced block whose info string names a file of
// docs/examples ("```json examples/actions.json") shows that file exactly,
// so the pages and the files cannot drift apart; the demo output and the
// function list shown are what the demo prints and the loader resolves.
#include "docs_fixture.h"
#include "loader/olva_framework.h"
#include "scenario.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
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

// The anchor a heading gets: lower case, spaces as hyphens, other
// punctuation dropped ("Scenario (simulated runtime)" gives
// "scenario-simulated-runtime").
std::string AnchorOf(const std::string& heading)
{
    std::string anchor;
    for (const char c : heading) {
        if (std::isalnum(static_cast<unsigned char>(c)) != 0) {
            anchor += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (c == ' ' || c == '-' || c == '_') {
            anchor += c == ' ' ? '-' : c;
        }
    }
    return anchor;
}

std::set<std::string> AnchorsOf(const std::string& pagePath)
{
    std::set<std::string> anchors;
    std::istringstream lines(ReadText(pagePath));
    std::string line;
    while (std::getline(lines, line)) {
        if (const std::size_t text = line.find_first_not_of('#'); text > 0 && text != std::string::npos &&
                                                                   line[text] == ' ') {
            anchors.insert(AnchorOf(line.substr(text + 1)));
        }
    }
    return anchors;
}

// Links between the pages land on a heading that exists, and links into
// examples/ on a file that exists. (A page that is not in docs/ yet is not
// judged.)
TEST(DocsExamples, LinksBetweenThePagesLandOnHeadings)
{
    for (const std::string& page : kPagesWithFileExamples) {
        const std::string text = ReadText(kDocs + "/" + page);
        for (std::size_t at = text.find("]("); at != std::string::npos; at = text.find("](", at + 2)) {
            const std::size_t end = text.find(')', at);
            ASSERT_NE(end, std::string::npos);
            const std::string target = text.substr(at + 2, end - at - 2);
            SCOPED_TRACE(page + ": " + target);
            const std::size_t hash = target.find('#');
            const std::string file = target.substr(0, hash);
            const std::string targetPage = file.empty() ? page : file;
            if (file.rfind("examples/", 0) == 0) {
                EXPECT_TRUE(fs::exists(kDocs + "/" + file));
            }
            if (hash != std::string::npos && fs::exists(kDocs + "/" + targetPage)) {
                EXPECT_EQ(AnchorsOf(kDocs + "/" + targetPage).count(target.substr(hash + 1)), 1u);
            }
        }
    }
}

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
