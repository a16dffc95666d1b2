// The checker's account of each binding file against what the library
// itself builds from it: the same actions with the same types, the same
// sources per hand in the same order, the same digital rule and the same
// analog slot. The library loads the manifest through a test runtime whose
// left-hand controller is a joystick controller, as "--controllers
// left=joystick" tells the checker.
#include "support/runtime_fixture.h"
#include "tool_process.h"

#include "input/olva_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using olva::test::kCheckData;

void ExpectSameSources(const std::vector<OLVA_XrActionSource*>& built, const nlohmann::json& reported,
                       olva::input::ActionClass actionClass)
{
    ASSERT_EQ(built.size(), reported.size()) << reported.dump(2);
    for (std::size_t i = 0; i < built.size(); ++i) {
        SCOPED_TRACE(i);
        const OLVA_XrActionSource& source = *built[i];
        EXPECT_EQ(source.path, reported[i].at("path"));
        EXPECT_EQ(source.inputKind, reported[i].at("input"));
        EXPECT_EQ(source.mode, reported[i].at("mode"));
        EXPECT_EQ(source.actionSetName, reported[i].at("action_set"));
        // A type that every query refuses reads neither rules nor slots.
        if (actionClass == olva::input::ActionClass::Analog && i == 0) {
            // Only a hand's first source is read, and only there is a slot reported.
            EXPECT_EQ(int{source.analogSlot}, reported[i].value("analog_slot", -1));
        } else if (actionClass == olva::input::ActionClass::Digital) {
            EXPECT_EQ(int{source.digitalRule}, reported[i].value("rule", 0));
        }
    }
}

void ExpectCheckerAgreesWithLibrary(void* runtime, const std::string& manifest)
{
    olva_input library;
    ASSERT_EQ(library.OLVA_XrActionManifestPath(runtime, manifest.c_str()), 0);
    ASSERT_EQ(library.OLVA_BuildAllXrActionSets(runtime), 0);

    const auto run = olva::test::RunTool({"bindings", manifest, "--controllers", "left=joystick", "--json"});
    const nlohmann::json report = olva::test::ParseReport(run);
    ASSERT_EQ(report.at("binding_files").size(), 1u);
    const nlohmann::json& actions = report.at("binding_files")[0].at("actions");

    ASSERT_EQ(library.m_actionMap.size(), actions.size()) << actions.dump(2);
    for (const nlohmann::json& reported : actions) {
        const std::string name = reported.at("name");
        SCOPED_TRACE(name);
        const auto found = library.m_actionMap.find(olva::input::LowerKey(name));
        ASSERT_NE(found, library.m_actionMap.end());
        const OLVA_XrAction& action = *found->second;
        EXPECT_EQ(action.name, name);
        EXPECT_EQ(action.type, reported.at("type"));
        {
            SCOPED_TRACE("left");
            ExpectSameSources(action.leftSources, reported.at("left"), action.actionClass);
        }
        {
            SCOPED_TRACE("right");
            ExpectSameSources(action.rightSources, reported.at("right"), action.actionClass);
        }
    }
}

TEST(CheckerAgreement, EveryAcceptedManifestIsBuiltAsReported)
{
    void* runtime = olva::test::CreateRuntime(olva::test::kFullRuntime);
    olva::test::RuntimeState* state = olva::test::StateOf(olva::test::kFullRuntime);
    ASSERT_NE(state, nullptr);
    state->supportedDevices = uint64_t{1} << OLVA_DEVICE_TYPE_LEFT_CONTROLLER;
    state->devices[OLVA_DEVICE_TYPE_LEFT_CONTROLLER].inputType = OLVA_INPUT_TYPE_JOYSTICK;

    for (const char* folder :
         {"clean", "set_key_case", "undeclared_set", "undeclared_action", "unsupported_type", "direction_without_dpad",
          "system_button", "boolean_through_pull", "grip_touch", "head_source", "analog_second_source",
          "analog_without_value", "unbound_action", "duplicate_source", "only_ignored_sources", "touch_shared_bit", "duplicate_stick_and_pad", "misspelt_output",
          "path_like_output", "misspelt_set_key", "unknown_mode", "unknown_input", "unknown_user_path",
          "misspelt_component"}) {
        SCOPED_TRACE(folder);
        ExpectCheckerAgreesWithLibrary(runtime, kCheckData + "/" + folder + "/actions.json");
    }
#ifdef OLVA_EXAMPLE_MANIFEST
    SCOPED_TRACE("the example manifest");
    ExpectCheckerAgreesWithLibrary(runtime, OLVA_EXAMPLE_MANIFEST);
#endif
}

}  // namespace
