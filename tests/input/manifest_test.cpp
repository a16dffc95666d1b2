// Loading an action manifest through the entry point, against the test
// runtime: binding selection, registration, unusable documents and the
// runtime's failures.
#include "input/documents.h"
#include "input_fixture.h"
#include "loader/entry_point_index.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace olva::test {
namespace {

// Each test starts with an empty registry, cleared edge flags and zeroed
// test runtime control blocks, and leaves them so.
using ManifestLoading = ProcessStateTest;
using InputEntryPoints = ProcessStateTest;

namespace fs = std::filesystem;

const std::string kThreeKinds = DataPath("three_kinds/manifest.json");

std::vector<fs::path> FilesIn(const std::string& directory)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(directory)) {
        files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST_F(ManifestLoading, SelectsTheBindingByWhatTheControllersReport)
{
    void* runtime = CreateRuntime();
    RuntimeState* state = StateOf(kFullRuntime);
    ASSERT_NE(state, nullptr);

    struct Row {
        const char* name;
        Controllers controllers;
        const char* kind;
        std::map<OLVA_DeviceType, OLVA_Device_InputType> table;
    };
    const Row rows[] = {
        {"left joystick beats the others", {3, 2, 4}, "joystick", {{3, 2}, {4, 3}, {13, 4}}},
        {"right touch", {2, 2, 0}, "touch", {{3, 2}, {4, 2}}},
        {"gamepad", {7, 1, 4}, "gamepad", {{3, 1}, {4, 1}, {13, 4}}},
        {"no match falls back to joystick", {2, 3, 3}, "joystick", {{3, 3}, {4, 2}, {13, 1}}},
        {"no controllers at all", {0, 0, 0}, "joystick", {{3, 0}, {4, 0}, {13, 0}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        *state = RuntimeState{};
        Report(state, row.controllers);
        olva_input input;
        ASSERT_EQ(input.OLVA_XrActionManifestPath(runtime, kThreeKinds.c_str()), 0);
        EXPECT_EQ(input.m_bindings["kind"].asString(), row.kind);
        EXPECT_EQ(input.m_deviceInputTypes, row.table);
    }
}

TEST_F(ManifestLoading, AnInputTypeThatIsNeverWrittenCountsAsOther)
{
    void* runtime = CreateRuntime();
    RuntimeState* state = StateOf(kFullRuntime);
    Report(state, {3, 2, 0});
    state->devices[OLVA_DEVICE_TYPE_LEFT_CONTROLLER].writesInputType = false;

    ASSERT_EQ(OLVA_XrActionManifestPath(runtime, kThreeKinds.c_str()), 0);
    const olva_input& input = *olva_input::getInstance();
    EXPECT_EQ(input.m_deviceInputTypes.at(OLVA_DEVICE_TYPE_LEFT_CONTROLLER), OLVA_INPUT_TYPE_OTHER);
    EXPECT_EQ(input.m_bindings["kind"].asString(), "touch");
}

TEST_F(ManifestLoading, RegistersActionSetsUnderLowerCaseNames)
{
    void* runtime = CreateRuntime();
    Report(StateOf(kFullRuntime), {3, 0, 0});
    ASSERT_EQ(OLVA_XrActionManifestPath(runtime, kThreeKinds.c_str()), 0);

    const olva_input& input = *olva_input::getInstance();
    ASSERT_EQ(input.m_actionSetMap.size(), 2u);
    const OLVA_XrActionSet* main = input.m_actionSetMap.at("/actions/main");
    EXPECT_EQ(main->name, "/actions/main");
    EXPECT_EQ(main->usage, "leftright");
    EXPECT_EQ(input.m_actionSetMap.at("/actions/aux")->usage, "single");

    unsigned long handle = 0;
    ASSERT_EQ(OLVA_GetXrActionSetHandle(runtime, "/ACTIONS/MAIN", &handle), 0);
    EXPECT_EQ(RecordOf<OLVA_XrActionSet>(handle), main);
}

TEST_F(ManifestLoading, TheBindingUrlAlwaysFollowsTheDirectoryAndASlash)
{
    void* runtime = CreateRuntime();
    olva_input leading;
    ASSERT_EQ(leading.OLVA_XrActionManifestPath(runtime, DataPath("leading_slash/manifest.json").c_str()), 0);
    EXPECT_EQ(leading.m_bindings["kind"].asString(), "leading slash");  // read from ".../leading_slash//binding.json"

    // Without a separator the binding path is "/joystick.json", not one next
    // to the manifest: it does not open and reads as an empty object.
    ASSERT_EQ(chdir(DataPath("three_kinds").c_str()), 0);
    olva_input bare;
    ASSERT_EQ(bare.OLVA_XrActionManifestPath(runtime, "manifest.json"), 0);
    EXPECT_EQ(bare.m_bindings, Json::Value(Json::objectValue));
    EXPECT_EQ(bare.m_actionSetMap.size(), 2u);
}

TEST_F(ManifestLoading, UnusableDocumentsFailAndChangeNothing)
{
    void* runtime = CreateRuntime();
    RuntimeState* state = StateOf(kFullRuntime);
    Report(state, {3, 2, 0});
    ASSERT_EQ(OLVA_XrActionManifestPath(runtime, kThreeKinds.c_str()), 0);
    unsigned long handle = 0;
    ASSERT_EQ(OLVA_GetXrActionHandle(runtime, "/actions/main/in/trigger", &handle), 0);
    ASSERT_EQ(OLVA_GetXrInputSourceHandle(runtime, "/user/hand/left", &handle), 0);

    // A load that went through would now select differently, rewrite the
    // controller table and register "/actions/defect" or "/actions/main" anew.
    Report(state, {2, 3, 1});
    const olva_input& input = *olva_input::getInstance();
    const RegistryState before = RegistryState::Of(input);

    std::vector<std::string> manifests;
    for (const fs::path& file : FilesIn(DataPath("defects/manifests"))) {
        manifests.push_back(file.string());
    }
    ASSERT_GE(manifests.size(), 15u);

    // Each binding defect is read through the same good manifest.
    const fs::path work = fs::path(testing::TempDir()) / "binding_defects";
    fs::remove_all(work);
    const std::vector<fs::path> bindingDefects = FilesIn(DataPath("defects/bindings"));
    ASSERT_GE(bindingDefects.size(), 15u);
    for (const fs::path& defect : bindingDefects) {
        const fs::path directory = work / defect.stem();
        fs::create_directories(directory);
        fs::copy_file(DataPath("defects/manifest_for_bindings.json"), directory / "manifest.json");
        fs::copy_file(defect, directory / "binding.json");
        manifests.push_back((directory / "manifest.json").string());
    }
    manifests.push_back(DataPath("three_kinds/\xC3(/manifest.json"));  // path not valid UTF-8

    for (const std::string& manifest : manifests) {
        SCOPED_TRACE(manifest);
        EXPECT_EQ(OLVA_XrActionManifestPath(runtime, manifest.c_str()), OLVA_RESULT_INVALID_ARGUMENT);
        EXPECT_TRUE(RegistryState::Of(input) == before);
    }

    // The same good manifest with a good binding file loads.
    const fs::path good = work / "good";
    fs::create_directories(good);
    fs::copy_file(DataPath("defects/manifest_for_bindings.json"), good / "manifest.json");
    fs::copy_file(DataPath("three_kinds/joystick.json"), good / "binding.json");
    EXPECT_EQ(OLVA_XrActionManifestPath(runtime, (good / "manifest.json").c_str()), 0);
}

TEST_F(ManifestLoading, NullOrEmptyPathAndNullRuntime)
{
    void* runtime = CreateRuntime();
    const olva_input& input = *olva_input::getInstance();
    const RegistryState before = RegistryState::Of(input);
    EXPECT_EQ(OLVA_XrActionManifestPath(runtime, nullptr), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(OLVA_XrActionManifestPath(runtime, ""), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(OLVA_XrActionManifestPath(nullptr, kThreeKinds.c_str()), OLVA_RESULT_INVALID_RUNTIME);
    EXPECT_EQ(OLVA_XrActionManifestPath(nullptr, nullptr), OLVA_RESULT_INVALID_RUNTIME);
    EXPECT_TRUE(RegistryState::Of(input) == before);
    EXPECT_EQ(StateOf(kFullRuntime)->calls[static_cast<std::size_t>(EntryPoint::OLVA_GetSupportedDevices)], 0u);
}

TEST_F(ManifestLoading, AFailingDeviceQueryIsPassedOnAndKeepsOnlyTheManifest)
{
    void* runtime = CreateRuntime();
    RuntimeState* state = StateOf(kFullRuntime);
    Report(state, {3, 0, 0});
    ASSERT_EQ(OLVA_XrActionManifestPath(runtime, DataPath("leading_slash/manifest.json").c_str()), 0);
    const olva_input& input = *olva_input::getInstance();
    RegistryState before = RegistryState::Of(input);

    state->results[static_cast<std::size_t>(EntryPoint::OLVA_GetSupportedDevices)] = 5;
    Report(state, {2, 2, 0});
    EXPECT_EQ(OLVA_XrActionManifestPath(runtime, kThreeKinds.c_str()), 5);

    Json::Value manifest;
    ASSERT_EQ(input::ReadJsonDocument(kThreeKinds, manifest), input::ReadStatus::Parsed);
    EXPECT_EQ(input.m_manifest, manifest);
    before.manifest = manifest;
    EXPECT_TRUE(RegistryState::Of(input) == before);
}

TEST_F(ManifestLoading, ASecondLoadKeepsHandlesRecordsAndTheBuiltFlag)
{
    void* runtime = CreateRuntime();
    RuntimeState* state = StateOf(kFullRuntime);
    Report(state, {3, 2, 0});
    olva_input& input = *olva_input::getInstance();
    ASSERT_EQ(OLVA_XrActionManifestPath(runtime, kThreeKinds.c_str()), 0);

    unsigned long set = 0, action = 0, hand = 0;
    ASSERT_EQ(OLVA_GetXrActionSetHandle(runtime, "/actions/main", &set), 0);
    ASSERT_EQ(OLVA_GetXrActionHandle(runtime, "/actions/main/in/trigger", &action), 0);
    ASSERT_EQ(OLVA_GetXrInputSourceHandle(runtime, "/user/hand/right", &hand), 0);
    ASSERT_EQ(input.OLVA_BuildAllXrActionSets(runtime), 0);
    const std::size_t rightSources = RecordOf<OLVA_XrAction>(action)->rightSources.size();
    ASSERT_GT(rightSources, 0u);
    // The frame path keeps pointers into the controller table.
    const OLVA_Device_InputType* leftType = &input.m_deviceInputTypes.at(OLVA_DEVICE_TYPE_LEFT_CONTROLLER);

    Report(state, {2, 2, 0});
    ASSERT_EQ(OLVA_XrActionManifestPath(runtime, kThreeKinds.c_str()), 0);

    EXPECT_TRUE(input.m_actionSetsBuilt);
    EXPECT_EQ(&input.m_deviceInputTypes.at(OLVA_DEVICE_TYPE_LEFT_CONTROLLER), leftType);
    EXPECT_EQ(*leftType, OLVA_INPUT_TYPE_TOUCH);
    EXPECT_EQ(input.m_bindings["kind"].asString(), "touch");

    // The set's name now maps to a new record; the old one lives on.
    unsigned long setAgain = 0;
    ASSERT_EQ(OLVA_GetXrActionSetHandle(runtime, "/actions/main", &setAgain), 0);
    EXPECT_NE(setAgain, set);
    EXPECT_EQ(RecordOf<OLVA_XrActionSet>(set)->name, "/actions/main");

    unsigned long actionAgain = 0, handAgain = 0;
    ASSERT_EQ(OLVA_GetXrActionHandle(runtime, "/actions/main/in/trigger", &actionAgain), 0);
    ASSERT_EQ(OLVA_GetXrInputSourceHandle(runtime, "/user/hand/right", &handAgain), 0);
    EXPECT_EQ(actionAgain, action);
    EXPECT_EQ(handAgain, hand);
    EXPECT_EQ(RecordOf<OLVA_XrAction>(action)->rightSources.size(), rightSources);
}

TEST_F(InputEntryPoints, NullRuntimeGivesInvalidRuntimeEverywhereAndChangesNothing)
{
    CreateRuntime();
    const olva_input& input = *olva_input::getInstance();
    const RegistryState before = RegistryState::Of(input);
    unsigned long handle = 77;
    OLVA_XrInputDigitalActionData digital = {};
    OLVA_XrInputAnalogActionData analog = {};

    EXPECT_EQ(OLVA_XrActionManifestPath(nullptr, kThreeKinds.c_str()), OLVA_RESULT_INVALID_RUNTIME);
    EXPECT_EQ(OLVA_GetXrActionSetHandle(nullptr, "/actions/main", &handle), OLVA_RESULT_INVALID_RUNTIME);
    EXPECT_EQ(OLVA_GetXrActionHandle(nullptr, "/actions/main/in/trigger", &handle), OLVA_RESULT_INVALID_RUNTIME);
    EXPECT_EQ(OLVA_GetXrInputSourceHandle(nullptr, "/user/hand/left", &handle), OLVA_RESULT_INVALID_RUNTIME);
    EXPECT_EQ(OLVA_UpdateXrActionState(nullptr, nullptr, 0, 0), OLVA_RESULT_INVALID_RUNTIME);
    EXPECT_EQ(OLVA_GetXrActionDigitalData(nullptr, 0, &digital, 0, 0), OLVA_RESULT_INVALID_RUNTIME);
    EXPECT_EQ(OLVA_GetXrActionAnalogData(nullptr, 0, &analog, 0, 0), OLVA_RESULT_INVALID_RUNTIME);

    EXPECT_EQ(handle, 77u);
    EXPECT_TRUE(RegistryState::Of(input) == before);
    EXPECT_TRUE(input.m_actionMap.empty() && input.m_actionSetMap.empty() && input.m_inputValueMap.empty());
    EXPECT_FALSE(input.m_actionSetsBuilt);
    EXPECT_EQ(StateOf(kFullRuntime)->logSize, 0u);
}

}  // namespace
}  // namespace olva::test
