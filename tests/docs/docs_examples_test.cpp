// The examples in docs/. Every fenced block whose info string names a file
// of docs/examples ("```json examples/actions.json") shows that file
// exactly, so the pages and the files cannot drift apart; and every example
// file loads with the library's own readers and does what the pages say.
#include "input/olva_input.h"
#include "loader/olva_framework.h"
#include "scenario.h"

#include <olva/olva_framework.h>

#include <gtest/gtest.h>
#include <json/json.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kSource = OLVA_SOURCE_DIR;
const std::string kDocs = kSource + "/docs";

std::string ReadText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

Json::Value ReadJson(const std::string& path)
{
    Json::Value value;
    std::ifstream file(path, std::ios::binary);
    file >> value;
    return value;
}

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

// Runs the examples through the library: a registry of its own for each test,
// the process-wide edge flags cleared before and restored after, and the
// working directory at the repository root, from where the pages' relative
// paths are written.
class DocsRuntime : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedFlags.clear();
#define OLVA_SAVE_FLAG_(flag) m_savedFlags.push_back(flag), flag = false;
        OLVA_EDGE_FLAGS(OLVA_SAVE_FLAG_)
#undef OLVA_SAVE_FLAG_
        m_savedDirectory = fs::current_path();
        fs::current_path(kSource);
    }

    void TearDown() override
    {
        if (m_runtime != nullptr) {
            OLVA_DestroyRuntime(m_runtime);
        }
        fs::current_path(m_savedDirectory);
        std::size_t i = 0;
#define OLVA_RESTORE_FLAG_(flag) flag = m_savedFlags[i++];
        OLVA_EDGE_FLAGS(OLVA_RESTORE_FLAG_)
#undef OLVA_RESTORE_FLAG_
    }

    void Create(const std::string& config)
    {
        const OLVA_RuntimeCreateInfo info = {config.c_str()};
        ASSERT_EQ(OLVA_CreateRuntime(&info, &m_runtime), 0) << config;
    }

    // Loads docs/examples/actions.json and runs the frames, noting every
    // change: "1 jump pressed", "3 throttle 0.75", "7 move 0,0.5".
    std::vector<std::string> RunGame(int frames)
    {
        EXPECT_EQ(m_input.OLVA_XrActionManifestPath(m_runtime, "docs/examples/actions.json"), 0);
        const Json::Value manifest = ReadJson(kDocs + "/examples/actions.json");
        std::vector<std::pair<std::string, unsigned long>> actions;
        for (const Json::Value& action : manifest["actions"]) {
            unsigned long handle = 0;
            EXPECT_EQ(m_input.OLVA_GetXrActionHandle(m_runtime, action["name"].asCString(), &handle), 0);
            actions.emplace_back(action["name"].asString(), handle);
        }
        std::vector<std::string> changes;
        std::map<std::string, std::string> lastValue;
        for (int frame = 0; frame < frames; ++frame) {
            EXPECT_EQ(OLVA_WaitFrame(m_runtime, nullptr), 0);
            EXPECT_EQ(m_input.OLVA_UpdateXrActionState(m_runtime, nullptr, 0, 0), 0);
            const std::string at = std::to_string(frame) + " ";
            for (const auto& [name, handle] : actions) {
                OLVA_XrInputDigitalActionData digital{};
                if (m_input.OLVA_GetXrActionDigitalData(m_runtime, handle, &digital, 0, 0) == 0) {
                    if (digital.changedSinceLastSync != 0) {
                        changes.push_back(at + name + (digital.currentState != 0 ? " pressed" : " released"));
                    }
                    continue;
                }
                OLVA_XrInputAnalogActionData analog{};
                EXPECT_EQ(m_input.OLVA_GetXrActionAnalogData(m_runtime, handle, &analog, 0, 0), 0) << name;
                std::ostringstream value;
                value << analog.x;
                if (name == "move") {
                    value << "," << analog.y;
                }
                if (lastValue[name] != value.str() && !(lastValue[name].empty() && analog.x == 0 && analog.y == 0)) {
                    changes.push_back(at + name + " " + value.str());
                }
                lastValue[name] = value.str();
            }
        }
        return changes;
    }

    olva_input m_input;
    void* m_runtime = nullptr;

private:
    std::vector<bool> m_savedFlags;
    fs::path m_savedDirectory;
};

TEST_F(DocsRuntime, TheConfigurationRunsTheGameOnTheSimulatedRuntime)
{
    // Read as OLVA_CreateRuntime reads it; only the runtime path is this
    // build's own, for builds outside build/default.
    nlohmann::json config = olva::ParseRuntimeConfiguration(ReadText(kDocs + "/examples/runtime_config.json"));
    ASSERT_TRUE(config.is_object());
    ASSERT_TRUE(config["olvaruntimepath"].is_string());
    EXPECT_EQ(fs::path(config["olvaruntimepath"].get<std::string>()).filename(), "libolva_sim_runtime.so");
    EXPECT_EQ(config["simulation"], "docs/examples/scenario.json");
    config["olvaruntimepath"] = OLVA_SIM_RUNTIME;
    Create(config.dump());

    const std::vector<std::string> expected = {
        "1 jump pressed",       "2 jump released",    "3 shoot pressed",  "3 throttle 0.75",
        "4 shoot released",     "4 throttle 0",       "5 turn_right pressed", "6 turn_right released",
        "7 move 0,0.5",         "8 move 0,0",
    };
    EXPECT_EQ(RunGame(10), expected);
    // Two joystick controllers: the "OLVA_JoyStick" entry's file.
    EXPECT_EQ(m_input.m_bindings, ReadJson(kDocs + "/examples/bindings_joystick.json"));
}

TEST_F(DocsRuntime, TouchControllersRunTheTouchBindings)
{
    const std::string scenario = R"({"controllers": {"right": "touch", "left": "touch"},
        "timeline": [{"frame": 1, "right": {"pressed": ["a"], "stick": [-0.9, 0.1]}}]})";
    Create(R"({"olvaruntimepath": ")" + std::string(OLVA_SIM_RUNTIME) + R"(", "simulation": )" + scenario + "}");

    const std::vector<std::string> expected = {"1 jump pressed", "1 turn_left pressed"};
    EXPECT_EQ(RunGame(2), expected);
    EXPECT_EQ(m_input.m_bindings, ReadJson(kDocs + "/examples/bindings_touch.json"));
}

TEST_F(DocsRuntime, TheMinimalRuntimeServesTheInputSystem)
{
    Create(R"({"olvaruntimepath": ")" + std::string(OLVA_MINIMAL_RUNTIME) + R"("})");

    // A down on odd frames (the first OLVA_WaitFrame makes frame 1), the
    // trigger at 0.5 from the first update on.
    const std::vector<std::string> expected = {"0 jump pressed", "0 throttle 0.5", "1 jump released",
                                               "2 jump pressed"};
    EXPECT_EQ(RunGame(3), expected);
    EXPECT_EQ(m_input.m_bindings, ReadJson(kDocs + "/examples/bindings_joystick.json"));
}

}  // namespace
