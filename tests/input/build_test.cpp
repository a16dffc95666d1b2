// Building action sources from the selected binding document.
#include "input/documents.h"
#include "input_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace olva::test {
namespace {

// Each test starts with an empty registry, cleared edge flags and zeroed
// test runtime control blocks, and leaves them so.
using ActionSetBuilding = ProcessStateTest;

const std::string kThreeKinds = DataPath("three_kinds/manifest.json");

unsigned long Handle(void* runtime, const char* actionName)
{
    unsigned long handle = 0;
    EXPECT_EQ(OLVA_GetXrActionHandle(runtime, actionName, &handle), 0);
    return handle;
}

unsigned long Hand(void* runtime, const char* userPath)
{
    unsigned long handle = 0;
    EXPECT_EQ(OLVA_GetXrInputSourceHandle(runtime, userPath, &handle), 0);
    return handle;
}

// The fields a source gets from its binding, in a comparable form.
struct Expected {
    const char* set;
    const char* path;
    const char* userPath;
    const char* inputKind;
    const char* mode;
    const char* subMode;
    const char* category;
    double activate;
    double deactivate;
    int digitalRule;
    int analogSlot;
};

void ExpectSources(const std::vector<OLVA_XrActionSource*>& sources, const std::vector<Expected>& expected)
{
    ASSERT_EQ(sources.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("source " + std::to_string(i));
        const OLVA_XrActionSource& source = *sources[i];
        const Expected& e = expected[i];
        EXPECT_EQ(source.actionSetName, e.set);
        EXPECT_EQ(source.path, e.path);
        EXPECT_EQ(source.userPath, e.userPath);
        EXPECT_EQ(source.inputKind, e.inputKind);
        EXPECT_EQ(source.mode, e.mode);
        EXPECT_EQ(source.subMode, e.subMode);
        EXPECT_EQ(source.inputCategory, e.category);
        EXPECT_DOUBLE_EQ(source.clickActivateThreshold, e.activate);
        EXPECT_DOUBLE_EQ(source.clickDeactivateThreshold, e.deactivate);
        EXPECT_EQ(source.digitalRule, e.digitalRule);
        EXPECT_EQ(source.analogSlot, e.analogSlot);
        EXPECT_EQ(source.lastStateLeft | source.lastStateRight, 0u);
    }
}

TEST_F(ActionSetBuilding, SetsSourcesAndInputKeysInOrder)
{
    void* runtime = CreateRuntime();
    Report(StateOf(kFullRuntime), {3, 0, 0});
    ASSERT_EQ(OLVA_XrActionManifestPath(runtime, kThreeKinds.c_str()), 0);
    olva_input& input = *olva_input::getInstance();
    ASSERT_EQ(input.OLVA_BuildAllXrActionSets(runtime), 0);
    EXPECT_TRUE(input.m_actionSetsBuilt);

    const unsigned long left = Hand(runtime, "/user/hand/left");
    const unsigned long right = Hand(runtime, "/user/hand/right");

    // "/actions/aux" sorts before "/actions/main"; within a source "click"
    // comes before "touch" whatever the file's order.
    const auto* trigger = RecordOf<OLVA_XrAction>(Handle(runtime, "/actions/main/in/trigger"));
    EXPECT_EQ(trigger->rightInputValue, right);
    EXPECT_EQ(trigger->leftInputValue, left);
    ExpectSources(trigger->rightSources,
                  {
                      {"/actions/aux", "/user/hand/right/input/a", "/user/hand/right", "click", "button", "", "button",
                       -1.0, -1.0, 10, -1},
                      {"/actions/main", "/user/hand/right/input/trigger", "/user/hand/right", "click", "button",
                       "click", "trigger", 0.75, 0.25, 2, 1},
                      {"/actions/main", "/user/hand/right/input/trigger", "/user/hand/right", "touch", "button",
                       "click", "trigger", 0.75, 0.25, 3, 1},
                  });
    ExpectSources(trigger->leftSources, {{"/actions/main", "/USER/HAND/LEFT/input/trigger", "/USER/HAND/LEFT", "click",
                                          "button", "", "trigger", -1.0, -1.0, 2, 1}});

    const auto* grip = RecordOf<OLVA_XrAction>(Handle(runtime, "/actions/main/in/grip_value"));
    EXPECT_EQ(grip->rightInputValue, 0u);
    ExpectSources(grip->leftSources, {{"/actions/main", "/user/hand/left/input/grip", "/user/hand/left", "pull",
                                       "trigger", "", "trigger", 0.5, -1.0, 0, 2}});

    const auto* stick = RecordOf<OLVA_XrAction>(Handle(runtime, "/actions/main/in/stick"));
    EXPECT_TRUE(stick->leftSources.empty());
    ExpectSources(stick->rightSources,
                  {
                      {"/actions/main", "/user/hand/right/input/joystick", "/user/hand/right", "position", "dpad", "",
                       "joystick", -1.0, -1.0, 0, 0},
                      {"/actions/main", "/user/hand/right/input/joystick", "/user/hand/right", "north", "dpad", "",
                       "joystick", -1.0, -1.0, 6, 0},
                      {"/actions/main", "/user/hand/right/input/joystick", "/user/hand/right", "west", "dpad", "",
                       "joystick", -1.0, -1.0, 5, 0},
                  });

    // A head source creates its action, with no sources and no hands; its
    // boolean threshold is never read.
    ASSERT_EQ(input.m_actionMap.count("/actions/main/in/head_only"), 1u);
    const auto* head = input.m_actionMap.at("/actions/main/in/head_only");
    EXPECT_EQ(head->type, "<unset>");
    EXPECT_TRUE(head->leftSources.empty() && head->rightSources.empty());
    EXPECT_EQ(head->leftInputValue | head->rightInputValue, 0u);

    // Keys other than the eight, and sets under a key in capitals, are not built.
    EXPECT_EQ(input.m_actionMap.count("/actions/main/in/never"), 0u);
    EXPECT_EQ(input.m_actionMap.count("/actions/main/in/wrong_case_set"), 0u);

    // Building happens once.
    ASSERT_EQ(input.OLVA_BuildAllXrActionSets(runtime), 0);
    EXPECT_EQ(trigger->rightSources.size(), 3u);
}

TEST_F(ActionSetBuilding, OddButReadableDocumentsStillLoadAndBuild)
{
    void* runtime = CreateRuntime();
    ASSERT_EQ(OLVA_XrActionManifestPath(runtime, DataPath("accepted/manifest.json").c_str()), 0);
    olva_input& input = *olva_input::getInstance();
    ASSERT_EQ(input.m_actionSetMap.size(), 2u);
    EXPECT_EQ(input.m_actionSetMap.at("/actions/odd")->usage, "3");
    EXPECT_EQ(input.m_actionSetMap.at("7")->usage, "");
    ASSERT_EQ(input.OLVA_BuildAllXrActionSets(runtime), 0);

    const auto* dup = RecordOf<OLVA_XrAction>(Handle(runtime, "DUP"));
    EXPECT_EQ(dup->type, "boolean");
    EXPECT_TRUE(dup->leftSources.empty() && dup->rightSources.empty());
    const auto* untyped = RecordOf<OLVA_XrAction>(Handle(runtime, "untyped"));
    EXPECT_EQ(untyped->type, "");
    EXPECT_TRUE(untyped->leftSources.empty() && untyped->rightSources.empty());

    // The empty output names an action too; its component paths are what
    // follows the fifteenth character, "/" or not.
    const auto* unnamed = RecordOf<OLVA_XrAction>(Handle(runtime, ""));
    EXPECT_EQ(unnamed->leftInputValue, Hand(runtime, "/user/hand/left"));
    ExpectSources(unnamed->leftSources,
                  {
                      {"/actions/odd", "/user/hand/left/input/x", "/user/hand/left", "click", "button", "", "button",
                       -1.0, -1.0, 12, -1},
                      {"/actions/odd", "/user/hand/leftx", "/user/hand/left", "click", "1", "", "joystick", -1.0, -1.0,
                       0, -1},
                      {"/actions/odd", "/user/hand/left", "/user/hand/left", "touch", "", "", "joystick", -1.0, -1.0,
                       0, -1},
                  });
}

TEST_F(ActionSetBuilding, AFailedBuildAttachesNothingAndCanBeRetried)
{
    void* runtime = CreateRuntime();
    olva_input input;
    for (const char* name : {"/actions/a", "/actions/b"}) {
        OLVA_XrActionSet* set = input::NewActionSet();
        set->name = name;
        input.m_actionSetMap[name] = set;
    }
    unsigned long shared = 0;
    ASSERT_EQ(input.OLVA_GetXrActionHandle(runtime, "shared", &shared), 0);

    // Bindings that loading would have refused, set directly.
    const char* text = R"({"bindings": {
        "/actions/a": {"sources": [{"path": "/user/hand/right/input/trigger", "mode": "button",
                                    "inputs": {"click": {"output": "shared"}, "touch": {"output": "fresh"}}}]},
        "/actions/b": {"sources": [{"path": "/user/hand/left/input/grip", "mode": "button",
                                    "parameters": {"click_activate_threshold": "half"},
                                    "inputs": {"click": {"output": "shared"}}}]}}})";
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    ASSERT_TRUE(reader->parse(text, text + std::strlen(text), &input.m_bindings, nullptr));

    const RegistryState before = RegistryState::Of(input);
    EXPECT_EQ(input.OLVA_BuildAllXrActionSets(runtime), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_TRUE(RegistryState::Of(input) == before);
    const auto* action = RecordOf<OLVA_XrAction>(shared);
    EXPECT_TRUE(action->leftSources.empty() && action->rightSources.empty());
    EXPECT_EQ(action->leftInputValue | action->rightInputValue, 0u);

    input.m_bindings["bindings"]["/actions/b"]["sources"][0]["parameters"]["click_activate_threshold"] = "0.5";
    ASSERT_EQ(input.OLVA_BuildAllXrActionSets(runtime), 0);
    EXPECT_TRUE(input.m_actionSetsBuilt);
    ASSERT_EQ(action->rightSources.size(), 1u);
    ASSERT_EQ(action->leftSources.size(), 1u);
    EXPECT_DOUBLE_EQ(action->leftSources[0]->clickActivateThreshold, 0.5);
    EXPECT_EQ(input.m_actionMap.at("fresh")->rightSources.size(), 1u);
}

TEST_F(ActionSetBuilding, SetsLoadedAfterTheFirstBuildAreNeverBuilt)
{
    void* runtime = CreateRuntime();
    olva_input& input = *olva_input::getInstance();
    ASSERT_EQ(input.OLVA_BuildAllXrActionSets(runtime), 0);
    EXPECT_TRUE(input.m_actionSetsBuilt);

    Report(StateOf(kFullRuntime), {3, 0, 0});
    ASSERT_EQ(OLVA_XrActionManifestPath(runtime, kThreeKinds.c_str()), 0);
    ASSERT_EQ(input.OLVA_BuildAllXrActionSets(runtime), 0);
    const auto* trigger = RecordOf<OLVA_XrAction>(Handle(runtime, "/actions/main/in/trigger"));
    EXPECT_TRUE(trigger->leftSources.empty() && trigger->rightSources.empty());
    EXPECT_EQ(input.OLVA_BuildAllXrActionSets(nullptr), OLVA_RESULT_INVALID_RUNTIME);
}

}  // namespace
}  // namespace olva::test
