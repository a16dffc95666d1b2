// olva-check bindings: one small manifest per finding with the exact finding
// expected, the selection for each controller setup, and the JSON report
// read back.
#include "tool_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using olva::test::kCheckData;
using olva::test::ParseReport;
using olva::test::RunTool;

struct ExpectedFinding {
    const char* severity;
    const char* code;
    const char* file;  // relative to the case's folder
    const char* location;
    const char* message;  // "{dir}" stands for the case's folder
};

struct FindingCase {
    const char* folder;  // under tests/tools/data; its actions.json is checked
    int exitStatus;
    std::vector<ExpectedFinding> findings;
    const char* controllers = "left=joystick";
};

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

const std::vector<FindingCase>& FindingCases()
{
    static const std::vector<FindingCase> cases = {
        {"clean", 0, {}},
        // ---- Documents the library rejects, in the words of its checks
        {"missing", 1,
         {{"error", "manifest-missing", "actions.json", "",
           "the file cannot be opened; the library then reads an empty manifest, from which no binding can be "
           "selected"}}},
        {"invalid_json_manifest", 1,
         {{"error", "invalid-json", "actions.json", "",
           "not valid JSON: Line 2, Column 1: Syntax error: value, object or array expected."}}},
        {"controller_type_not_string", 1,
         {{"error", "invalid-document", "actions.json", "default_bindings[0].controller_type", "must be a string"}}},
        {"no_joystick_entry", 1,
         {{"error", "no-binding-selected", "actions.json", "default_bindings",
           "no entry for the controllers present and no \"OLVA_JoyStick\" entry"}}},
        {"invalid_json_bindings", 1,
         {{"error", "invalid-json", "bindings.json", "",
           "not valid JSON: Line 1, Column 14: Syntax error: value, object or array expected."}}},
        {"output_not_string", 1,
         {{"error", "invalid-document", "bindings.json", "bindings[\"/actions/main\"].sources[0].inputs.click.output",
           "must be a string"}}},
        // ---- Bindings the library accepts and then never reports
        {"unknown_controller_type", 0,
         {{"warning", "entry-never-selected", "actions.json", "default_bindings[0].controller_type",
           "\"OLVA_Joy_Stick\" is none of \"OLVA_Touch\", \"OLVA_JoyStick\" and \"OLVA_GamePad\" (in any letter "
           "case), so this entry is never selected; did you mean \"OLVA_JoyStick\"?"}}},
        {"shadowed_entry", 0,
         {{"warning", "entry-never-selected", "actions.json", "default_bindings[0]",
           "default_bindings[1], a later entry of the same controller type, replaces this one, which is never "
           "selected"}}},
        {"binding_file_missing", 0,
         {{"warning", "binding-file-missing", "actions.json", "default_bindings[1].binding_url",
           "names \"touch.json\", but {dir}/touch.json cannot be opened; when this entry is selected the library "
           "reads empty bindings and no action gets a source"}}},
        {"absolute_binding_url", 0,
         {{"warning", "binding-file-missing", "actions.json", "default_bindings[1].binding_url",
           "names \"/elsewhere/touch.json\", but {dir}/elsewhere/touch.json cannot be opened; when this entry is "
           "selected the library reads empty bindings and no action gets a source (a binding_url is always relative "
           "to the manifest's directory, even when it starts with \"/\")"}}},
        {"no_action_sets", 0,
         {{"warning", "no-action-sets", "actions.json", "action_sets",
           "the manifest declares no action sets: bindings are built only for \"/actions/demo\", and only when "
           "the application asks for an action set handle before its first update"},
          {"warning", "undeclared-set", "bindings.json", "bindings[\"/actions/main\"]",
           "the manifest declares no action set \"/actions/main\", so these bindings are never built"},
          {"warning", "no-sources", "bindings.json", "",
           "no action gets a source on either hand from this file; when it is selected every action stays "
           "inactive"}}},
        {"set_key_case", 0,
         {{"warning", "set-key-case", "bindings.json", "bindings[\"/actions/Main\"]",
           "the library looks action sets up under their lower-cased name \"/actions/main\", so this key never "
           "matches"}}},
        {"undeclared_set", 0,
         {{"warning", "undeclared-set", "bindings.json", "bindings[\"/actions/other\"]",
           "the manifest declares no action set \"/actions/other\", so these bindings are never built"}}},
        // ---- Names that match nothing, with the closest declared name
        {"misspelt_output", 0,
         {{"warning", "undeclared-action", "bindings.json",
           "bindings[\"/actions/main\"].sources[1].inputs.click.output",
           "action \"jmup\" is not declared in the manifest's \"actions\", so its type is \"<unset>\": every "
           "digital and analog query for it returns -8; did you mean \"jump\"?"},
          {"warning", "unbound-action", "actions.json", "actions[1].name",
           "action \"jump\" has no source on either hand in {dir}/bindings.json"}}},
        {"path_like_output", 0,
         {{"warning", "undeclared-action", "bindings.json",
           "bindings[\"/actions/main\"].sources[1].inputs.click.output",
           "action \"/actions/main/in/jump\" is not declared in the manifest's \"actions\", so its type is "
           "\"<unset>\": every digital and analog query for it returns -8; did you mean \"jump\"?"},
          {"warning", "unbound-action", "actions.json", "actions[1].name",
           "action \"jump\" has no source on either hand in {dir}/bindings.json"}}},
        {"misspelt_set_key", 0,
         {{"warning", "undeclared-set", "bindings.json", "bindings[\"/actions/mian\"]",
           "the manifest declares no action set \"/actions/mian\", so these bindings are never built; did you "
           "mean \"/actions/main\"?"},
          {"warning", "no-sources", "bindings.json", "",
           "no action gets a source on either hand from this file; when it is selected every action stays "
           "inactive"}}},
        {"misspelt_component", 0,
         {{"warning", "unrecognised-source", "bindings.json",
           "bindings[\"/actions/main\"].sources[0].inputs.click.output",
           "boolean action \"fire\" on \"/user/hand/right/input/trigerr\" is never active: no rule reads "
           "\"/input/trigerr\"; did you mean \"/input/trigger\"?"}}},
        {"unknown_mode", 0,
         {{"warning", "unknown-mode", "bindings.json", "bindings[\"/actions/main\"].sources[0].mode",
           "mode \"dpda\" is none of \"button\", \"trigger\", \"joystick\", \"trackpad\" and \"dpad\"; the "
           "library compares a mode only with \"dpad\" and reads any other as a plain button, trigger or stick; "
           "did you mean \"dpad\"?"},
          {"warning", "direction-needs-dpad", "bindings.json",
           "bindings[\"/actions/main\"].sources[0].inputs.north.output",
           "boolean action \"forward\" on \"/user/hand/left/input/joystick\" is never active: input \"north\" on "
           "\"/input/joystick\" is read only with mode \"dpad\", not \"dpda\""}}},
        {"unknown_input", 0,
         {{"warning", "unknown-input", "bindings.json", "bindings[\"/actions/main\"].sources[0].inputs.tuch",
           "input \"tuch\" is none of \"click\", \"position\", \"touch\", \"pull\", \"north\", \"south\", "
           "\"east\" and \"west\" (written exactly so), so the library ignores it; did you mean \"touch\"?"}}},
        {"unknown_user_path", 0,
         {{"warning", "unknown-user-path", "bindings.json", "bindings[\"/actions/main\"].sources[1].path",
           "\"/user/hnad/left/input/trigger\" is under none of the user paths \"/user/head\", \"/user/hand/left\", "
           "\"/user/hand/right\" and \"/user/gamepad\"; the library ignores this source; did you mean "
           "\"/user/hand/left/input/trigger\"?"}}},
        {"undeclared_action", 0,
         {{"warning", "undeclared-action", "bindings.json",
           "bindings[\"/actions/main\"].sources[1].inputs.click.output",
           "action \"jump\" is not declared in the manifest's \"actions\", so its type is \"<unset>\": every "
           "digital and analog query for it returns -8"}}},
        {"unsupported_type", 0,
         {{"warning", "unsupported-type", "actions.json", "actions[1].type",
           "action \"aim\" has type \"pose\", none of \"boolean\", \"single\", \"vector1\", \"vector2\" and "
           "\"vector3\": every digital and analog query for it returns -8"}}},
        {"direction_without_dpad", 0,
         {{"warning", "direction-needs-dpad", "bindings.json",
           "bindings[\"/actions/main\"].sources[1].inputs.west.output",
           "boolean action \"turn\" on \"/user/hand/left/input/joystick\" is never active: input \"west\" on "
           "\"/input/joystick\" is read only with mode \"dpad\", not \"joystick\""}}},
        {"system_button", 0,
         {{"warning", "system-button", "bindings.json", "bindings[\"/actions/main\"].sources[1].inputs.click.output",
           "boolean action \"home\" on \"/user/hand/right/input/system\" is never reported: rule 18 recognises "
           "\"/input/system\" only to report nothing"}}},
        {"boolean_through_pull", 0,
         {{"warning", "input-kind-not-digital", "bindings.json",
           "bindings[\"/actions/main\"].sources[0].inputs.pull.output",
           "boolean action \"fire\" on \"/user/hand/right/input/trigger\" is never active: no rule reads input "
           "\"pull\" for a boolean action"}}},
        {"grip_touch", 0,
         {{"warning", "unrecognised-source", "bindings.json", "bindings[\"/actions/main\"].sources[1].inputs.touch.output",
           "boolean action \"rest\" on \"/user/hand/right/input/grip\" is never active: on \"/input/grip\" a boolean "
           "action reads only \"click\""}}},
        {"head_source", 0,
         {{"warning", "ignored-user-path", "bindings.json", "bindings[\"/actions/main\"].sources[1].path",
           "\"/user/head/input/system\" is under neither \"/user/hand/left\" nor \"/user/hand/right\"; the library "
           "ignores this source"}}},
        {"only_ignored_sources", 0,
         {{"warning", "ignored-user-path", "bindings.json", "bindings[\"/actions/main\"].sources[0].path",
           "\"/user/gamepad/input/trigger\" is under neither \"/user/hand/left\" nor \"/user/hand/right\"; the "
           "library ignores this source"},
          {"warning", "no-sources", "bindings.json", "",
           "no action gets a source on either hand from this file; when it is selected every action stays "
           "inactive"}}},
        {"analog_second_source", 0,
         {{"warning", "analog-source-unread", "bindings.json",
           "bindings[\"/actions/main\"].sources[2].inputs.position.output",
           "analog action \"move\" reads only its first left-hand source (/user/hand/left/input/joystick); this "
           "one is never read"}}},
        {"analog_without_value", 0,
         {{"warning", "analog-source-no-value", "bindings.json",
           "bindings[\"/actions/main\"].sources[1].inputs.click.output",
           "analog action \"press\" is bound to \"/user/hand/right/input/a\", which has no analog value; it reports "
           "active with 0"}}},
        {"unbound_action", 0,
         {{"warning", "unbound-action", "actions.json", "actions[1].name",
           "action \"grab\" has no source on either hand in {dir}/bindings.json"}}},
        {"duplicate_source", 0,
         {{"warning", "duplicate-source", "bindings.json", "bindings[\"/actions/main\"].sources[1].inputs.click.output",
           "action \"fire\" already reads this input on the right hand through \"/user/hand/right/input/trigger\" "
           "input \"click\" (rule 2); the copy makes it report the input twice"}}},
        // The stick and the pad share the thumb bit and its edge flag.
        {"duplicate_stick_and_pad", 0,
         {{"warning", "duplicate-source", "bindings.json", "bindings[\"/actions/main\"].sources[1].inputs.click.output",
           "action \"fire\" already reads this input on the right hand through \"/user/hand/right/input/joystick\" "
           "input \"click\" (rule 8); the copy makes it report the input twice"}}},
        // With no touch entry a touch controller falls back on the joystick
        // bindings, where the trigger and Y share a bit.
        {"touch_shared_bit", 0,
         {{"warning", "touch-shared-bit", "bindings.json", "bindings[\"/actions/main\"].sources[1].inputs.click.output",
           "on a touch controller \"/input/trigger\" and \"/input/y\" read the same click bit 4 (0x10) of the right "
           "hand, so \"fire\" and \"back\" turn on together"}},
         "right=touch"},
    };
    return cases;
}

TEST(BindingsCheck, EachManifestGivesExactlyItsFinding)
{
    for (const FindingCase& row : FindingCases()) {
        SCOPED_TRACE(row.folder);
        const std::string dir = kCheckData + "/" + row.folder;
        const auto run = RunTool({"bindings", dir + "/actions.json", "--controllers", row.controllers, "--json"});
        ASSERT_EQ(run.status, row.exitStatus) << run.out << run.err;
        const nlohmann::json report = ParseReport(run);
        const nlohmann::json& findings = report.at("findings");
        ASSERT_EQ(findings.size(), row.findings.size()) << findings.dump(2);
        for (std::size_t i = 0; i < row.findings.size(); ++i) {
            const ExpectedFinding& expected = row.findings[i];
            SCOPED_TRACE(expected.code);
            EXPECT_EQ(findings[i].at("severity"), expected.severity);
            EXPECT_EQ(findings[i].at("code"), expected.code);
            EXPECT_EQ(findings[i].at("file"), dir + "/" + expected.file);
            EXPECT_EQ(findings[i].at("location"), expected.location);
            EXPECT_EQ(findings[i].at("message"), Replace(expected.message, "{dir}", dir));
        }
    }
}

TEST(BindingsCheck, StrictTurnsWarningsIntoFailureAndLeavesCleanManifestsAlone)
{
    for (const FindingCase& row : FindingCases()) {
        SCOPED_TRACE(row.folder);
        const auto run = RunTool({"bindings", kCheckData + "/" + row.folder + "/actions.json", "--controllers",
                                  row.controllers, "--strict"});
        EXPECT_EQ(run.status, row.findings.empty() ? 0 : 1) << run.out;
    }
}

struct SelectionCase {
    const char* controllers;
    int index;  // -1: nothing selected
    const char* controllerType;
    const char* rule;
    const char* bindingFile;
};

TEST(BindingsCheck, SelectionForEachControllerSetup)
{
    // The manifest lists touch, joystick (in capitals) and gamepad (in lower case).
    const std::string dir = kCheckData + "/selection";
    const SelectionCase cases[] = {
        {"left=joystick", 1, "OLVA_JOYSTICK", "left-hand joystick controller", "joystick.json"},
        {"right=touch", 0, "OLVA_Touch", "right-hand touch controller", "touch.json"},
        {"gamepad=gamepad", 2, "olva_gamepad", "gamepad", "gamepad.json"},
        {"none", 1, "OLVA_JOYSTICK", "joystick fallback", "joystick.json"},
        // The left-hand joystick wins over a right-hand touch controller.
        {"left=joystick,right=touch,gamepad=gamepad", 1, "OLVA_JOYSTICK", "left-hand joystick controller",
         "joystick.json"},
        {"left=touch,right=touch", 0, "OLVA_Touch", "right-hand touch controller", "touch.json"},
        // A hand controller of another kind leaves the choice to the gamepad.
        {"left=other,right=joystick,gamepad=gamepad", 2, "olva_gamepad", "gamepad", "gamepad.json"},
        // The gamepad must report the gamepad kind; numbers are taken as reported.
        {"gamepad=3", 1, "OLVA_JOYSTICK", "joystick fallback", "joystick.json"},
        {"right=2", 0, "OLVA_Touch", "right-hand touch controller", "touch.json"},
    };
    for (const SelectionCase& row : cases) {
        SCOPED_TRACE(row.controllers);
        const auto run =
            RunTool({"bindings", dir + "/actions.json", "--controllers", row.controllers, "--json", "--strict"});
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        const nlohmann::json setups = ParseReport(run).at("setups");
        ASSERT_EQ(setups.size(), 1u);
        EXPECT_EQ(setups[0].at("spec"), row.controllers);
        const nlohmann::json& selected = setups[0].at("selected");
        EXPECT_EQ(selected.at("index"), row.index);
        EXPECT_EQ(selected.at("controller_type"), row.controllerType);
        EXPECT_EQ(selected.at("rule"), row.rule);
        EXPECT_EQ(selected.at("binding_file"), dir + "/" + row.bindingFile);
    }
}

TEST(BindingsCheck, DefaultSetupsAreTheFourInterestingOnes)
{
    const std::string dir = kCheckData + "/selection";
    const auto run = RunTool({"bindings", dir + "/actions.json", "--json"});
    ASSERT_EQ(run.status, 0) << run.out;
    const nlohmann::json report = ParseReport(run);
    const nlohmann::json& setups = report.at("setups");
    ASSERT_EQ(setups.size(), 4u);
    const char* names[] = {"left-hand joystick controller", "right-hand touch controller", "gamepad only",
                           "no controllers"};
    const int chosen[] = {1, 0, 2, 1};
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(setups[i].at("name"), names[i]);
        EXPECT_EQ(setups[i].at("selected").at("index"), chosen[i]);
    }
    // Three distinct files, the joystick one selected for two setups.
    const nlohmann::json& files = report.at("binding_files");
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].at("file"), dir + "/joystick.json");
    EXPECT_EQ(files[0].at("setups"), (nlohmann::json{"left-hand joystick controller", "no controllers"}));

    // The same, for people.
    const auto human = RunTool({"bindings", dir + "/actions.json"});
    const std::string expected = "  left-hand joystick controller (left=joystick)\n"
                                 "    selects  default_bindings[1] \"OLVA_JOYSTICK\"\n"
                                 "    because  the left-hand controller is a joystick controller\n"
                                 "    reads    " + dir + "/joystick.json\n";
    EXPECT_NE(human.out.find(expected), std::string::npos) << human.out;
    EXPECT_NE(human.out.find("  no controllers (none)\n"
                             "    selects  default_bindings[1] \"OLVA_JOYSTICK\"\n"
                             "    because  no controller matched an entry, so the \"OLVA_JoyStick\" entry is the\n"
                             "             fallback\n"),
              std::string::npos)
        << human.out;
}

TEST(BindingsCheck, NothingSelectableIsReportedPerSetup)
{
    // Only an "OLVA_Touch" entry: a right-hand touch controller selects it,
    // and without one there is no joystick entry to fall back on.
    const std::string dir = kCheckData + "/no_joystick_entry";
    const auto run = RunTool({"bindings", dir + "/actions.json", "--controllers", "right=touch", "--controllers",
                              "none", "--json"});
    ASSERT_EQ(run.status, 1);
    const nlohmann::json report = ParseReport(run);
    const nlohmann::json& setups = report.at("setups");
    ASSERT_EQ(setups.size(), 2u);
    EXPECT_EQ(setups[0].at("selected").at("index"), 0);
    EXPECT_TRUE(setups[1].at("selected").is_null());
    EXPECT_EQ(setups[1].at("reason"), "no entry for the controllers present and no \"OLVA_JoyStick\" entry");
    EXPECT_EQ(report.at("errors"), 1);
}

TEST(BindingsCheck, JsonReportDescribesEverySourceInEvaluationOrder)
{
    // Two sources drive "move" on the left hand; the first is the one read.
    const std::string dir = kCheckData + "/analog_second_source";
    const auto run = RunTool({"bindings", dir + "/actions.json", "--controllers", "left=joystick", "--json"});
    ASSERT_EQ(run.status, 0);
    const nlohmann::json report = ParseReport(run);
    EXPECT_EQ(report.at("command"), "bindings");
    EXPECT_EQ(report.at("manifest"), dir + "/actions.json");
    EXPECT_EQ(report.at("errors"), 0);
    EXPECT_EQ(report.at("warnings"), 1);
    EXPECT_EQ(report.at("exit_status"), 0);

    const nlohmann::json& file = report.at("binding_files").at(0);
    EXPECT_EQ(file.at("accepted"), true);
    EXPECT_EQ(file.at("action_sets"), (nlohmann::json::parse(R"([{"name": "/actions/main", "present": true,
                                                                  "sources": 3}])")));
    const nlohmann::json& actions = file.at("actions");
    ASSERT_EQ(actions.size(), 2u);

    const nlohmann::json& fire = actions[0];
    EXPECT_EQ(fire.at("name"), "fire");
    EXPECT_EQ(fire.at("type"), "boolean");
    EXPECT_TRUE(fire.at("left").empty());
    ASSERT_EQ(fire.at("right").size(), 1u);
    const nlohmann::json& trigger = fire.at("right")[0];
    EXPECT_EQ(trigger.at("path"), "/user/hand/right/input/trigger");
    EXPECT_EQ(trigger.at("input"), "click");
    EXPECT_EQ(trigger.at("effect"), "digital");
    EXPECT_EQ(trigger.at("rule"), 2);
    EXPECT_EQ(trigger.at("mask"), "click");
    EXPECT_EQ(trigger.at("bit"), (nlohmann::json{{"joystick", 8}, {"touch", 4}}));

    const nlohmann::json& move = actions[1];
    EXPECT_EQ(move.at("type"), "vector2");
    ASSERT_EQ(move.at("left").size(), 2u);
    EXPECT_EQ(move.at("left")[0].at("path"), "/user/hand/left/input/joystick");
    EXPECT_EQ(move.at("left")[0].at("effect"), "analog");
    EXPECT_EQ(move.at("left")[0].at("analog_slot"), 0);
    EXPECT_EQ(move.at("left")[1].at("path"), "/user/hand/left/input/trackpad");
    EXPECT_EQ(move.at("left")[1].at("effect"), "none");
    EXPECT_EQ(move.at("left")[1].at("location"), "bindings[\"/actions/main\"].sources[2].inputs.position.output");
}

TEST(BindingsCheck, JsonAndHumanReportsAgreeOnTheFindings)
{
    const std::string manifest = kCheckData + "/no_action_sets/actions.json";
    const auto json = RunTool({"bindings", manifest, "--json"});
    const auto human = RunTool({"bindings", manifest});
    EXPECT_EQ(json.status, human.status);
    const nlohmann::json report = ParseReport(json);
    for (const nlohmann::json& finding : report.at("findings")) {
        EXPECT_NE(human.out.find(finding.at("code").get<std::string>() + ":"), std::string::npos)
            << finding.dump();
    }
    const std::string summary = std::to_string(report.at("errors").get<int>()) + " errors, " +
                                std::to_string(report.at("warnings").get<int>()) + " warnings";
    EXPECT_NE(human.out.find(summary), std::string::npos) << human.out;
}

}  // namespace
