// The silent failures that docs/coming-from-openxr.md lists, each made in a
// copy of the example game: the files load with result 0, the frames update
// with result 0, and the action the mistaken binding was meant to drive
// never fires, while the scenario presses everything it is bound to.
#include "docs_fixture.h"

#include <gtest/gtest.h>
#include <json/json.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace olva::test;

// Frame 1: the right hand presses A, pulls the trigger and pushes the stick
// east; the left hand pushes its stick forward.
const char* const kEverythingAtOnce = R"({"controllers": {"right": "joystick", "left": "joystick"},
    "timeline": [{"frame": 1, "right": {"pressed": ["a", "trigger"], "trigger": 1.0, "stick": [0.9, 0.0]},
                               "left": {"stick": [0.0, 0.9]}}]})";

// The example's joystick sources: 0 jump on A, 1 shoot and throttle on the
// trigger, 2 turn_left and turn_right on the stick, 3 move.
Json::Value& Source(Json::Value& bindings, Json::ArrayIndex index)
{
    return bindings["bindings"]["/actions/main"]["sources"][index];
}

Json::Value Inputs(const char* kind, const char* output)
{
    Json::Value inputs(Json::objectValue);
    inputs[kind]["output"] = output;
    return inputs;
}

struct Mistake {
    const char* name;    // test name
    const char* action;  // the action the mistaken binding was meant to drive; "*": all of them
    void (*apply)(Json::Value& manifest, Json::Value& bindings);
};

const Mistake kMistakes[] = {
    {"OutputNamesAnUndeclaredAction", "jump",
     [](Json::Value&, Json::Value& b) { Source(b, 0)["inputs"] = Inputs("click", "jmup"); }},
    {"SteamVrStyleOutput", "jump",
     [](Json::Value&, Json::Value& b) { Source(b, 0)["inputs"] = Inputs("click", "/actions/main/in/jump"); }},
    {"SetKeyWithCapitals", "*",
     [](Json::Value&, Json::Value& b) {
         b["bindings"]["/actions/Main"] = b["bindings"]["/actions/main"];
         b["bindings"].removeMember("/actions/main");
     }},
    {"BindingFileDoesNotOpen", "*",
     [](Json::Value& m, Json::Value&) { m["default_bindings"][1]["binding_url"] = "bindings_joystik.json"; }},
    {"DirectionWithoutDpad", "turn_right", [](Json::Value&, Json::Value& b) { Source(b, 2)["mode"] = "joystick"; }},
    {"UnknownMode", "turn_right", [](Json::Value&, Json::Value& b) { Source(b, 2)["mode"] = "dpda"; }},
    {"PullForABooleanAction", "shoot",
     [](Json::Value&, Json::Value& b) {
         Source(b, 1)["inputs"].removeMember("click");
         Json::Value pull(Json::objectValue);
         pull["path"] = "/user/hand/right/input/trigger";
         pull["inputs"] = Inputs("pull", "shoot");
         b["bindings"]["/actions/main"]["sources"].append(pull);
     }},
    {"UnknownInputKind", "jump", [](Json::Value&, Json::Value& b) { Source(b, 0)["inputs"] = Inputs("Click", "jump"); }},
    {"SourceUnderHead", "jump", [](Json::Value&, Json::Value& b) { Source(b, 0)["path"] = "/user/head/input/a"; }},
    {"SourceUnderGamepad", "jump", [](Json::Value&, Json::Value& b) { Source(b, 0)["path"] = "/user/gamepad/input/a"; }},
    {"UnknownUserPath", "jump", [](Json::Value&, Json::Value& b) { Source(b, 0)["path"] = "/user/hand/rigth/input/a"; }},
    {"None", "", [](Json::Value&, Json::Value&) {}},
};

void WriteJson(const std::filesystem::path& path, const Json::Value& value)
{
    std::ofstream(path) << Json::writeString(Json::StreamWriterBuilder(), value);
}

class SilentFailure : public DocsRuntime, public ::testing::WithParamInterface<Mistake> {
protected:
    void TearDown() override
    {
        if (!m_copy.empty()) {
            std::filesystem::remove_all(m_copy);
        }
        DocsRuntime::TearDown();
    }

    // A copy of the example manifest and binding files with the mistake made;
    // returns the manifest's path.
    std::string CopyWithMistake(const Mistake& mistake)
    {
        m_copy = std::filesystem::temp_directory_path() /
                 ("docs_silent_failure_" + std::to_string(::getpid()) + "_" + mistake.name);
        std::filesystem::create_directories(m_copy);
        Json::Value manifest = ReadJson(kDocs + "/examples/actions.json");
        Json::Value bindings = ReadJson(kDocs + "/examples/bindings_joystick.json");
        mistake.apply(manifest, bindings);
        WriteJson(m_copy / "actions.json", manifest);
        WriteJson(m_copy / "bindings_joystick.json", bindings);
        return (m_copy / "actions.json").string();
    }

private:
    std::filesystem::path m_copy;
};

TEST_P(SilentFailure, LoadsAndNeverFires)
{
    const Mistake& mistake = GetParam();
    Create(SimConfig(kEverythingAtOnce));
    const std::vector<std::string> changes = RunGame(2, CopyWithMistake(mistake));

    // Without a mistake, every action of the example fires.
    for (const char* action : {"jump", "shoot", "turn_right", "throttle", "move"}) {
        const bool fired = std::any_of(changes.begin(), changes.end(), [&](const std::string& change) {
            return change.rfind("1 " + std::string(action) + " ", 0) == 0;
        });
        const bool spoilt = mistake.action == std::string("*") || mistake.action == std::string(action);
        EXPECT_EQ(fired, !spoilt) << action;
    }
}

INSTANTIATE_TEST_SUITE_P(Docs, SilentFailure, ::testing::ValuesIn(kMistakes),
                         [](const ::testing::TestParamInfo<Mistake>& info) { return std::string(info.param.name); });

TEST_F(DocsRuntime, AnUpdateBeforeTheManifestLeavesItsSetsUnbuiltForGood)
{
    Create(SimConfig(kEverythingAtOnce));
    EXPECT_EQ(m_input.OLVA_UpdateXrActionState(m_runtime, nullptr, 0, 0), 0);
    EXPECT_EQ(RunGame(3), std::vector<std::string>{});
}

TEST_F(DocsRuntime, AHandleTakenBeforeTheManifestNeverAnswers)
{
    Create(SimConfig(kEverythingAtOnce));
    unsigned long early = 0;
    ASSERT_EQ(m_input.OLVA_GetXrActionHandle(m_runtime, "jump", &early), 0);
    const std::vector<std::string> changes = RunGame(2);
    EXPECT_TRUE(std::none_of(changes.begin(), changes.end(),
                             [](const std::string& change) { return change.find(" jump ") != std::string::npos; }));
    OLVA_XrInputDigitalActionData data{};
    EXPECT_EQ(m_input.OLVA_GetXrActionDigitalData(m_runtime, early, &data, 0, 0), OLVA_RESULT_INVALID_ARGUMENT);

    // A misspelt lookup succeeds too, and its queries answer the same way.
    unsigned long misspelt = 0;
    ASSERT_EQ(m_input.OLVA_GetXrActionHandle(m_runtime, "jmup", &misspelt), 0);
    EXPECT_NE(misspelt, 0u);
    EXPECT_EQ(m_input.OLVA_GetXrActionDigitalData(m_runtime, misspelt, &data, 0, 0), OLVA_RESULT_INVALID_ARGUMENT);
}

}  // namespace
