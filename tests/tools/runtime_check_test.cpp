// olva-check runtime: the configuration read as OLVA_CreateRuntime reads it,
// the dynamic loader's own error text, and which entry points the test
// runtimes provide.
#include "tool_process.h"

#include "loader/entry_point_index.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using olva::kEntryPointCount;
using olva::test::ParseReport;
using olva::test::RunTool;

template <typename Ret, typename Absent>
constexpr std::size_t AnswersUnsupported(Absent absent)
{
    if constexpr (std::is_void_v<Ret>) {
        return 0;
    } else {
        return static_cast<int64_t>(absent()) == OLVA_RESULT_UNSUPPORTED ? 1 : 0;
    }
}

// Entry points for which the library itself answers -2 when the runtime
// library lacks them.
constexpr std::size_t kAnswersUnsupported = 0
#define OLVA_ENTRY(ret, name, params, args, absent) +AnswersUnsupported<ret>([]() -> ret { return absent; })
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY
    ;

std::string ConfigFor(const std::string& runtime) { return R"({"olvaruntimepath": ")" + runtime + "\"}"; }

const nlohmann::json* EntryNamed(const nlohmann::json& report, const std::string& name)
{
    for (const nlohmann::json& entry : report.at("entry_points")) {
        if (entry.at("name") == name) {
            return &entry;
        }
    }
    return nullptr;
}

TEST(RuntimeCheck, FullRuntimeProvidesEveryEntryPoint)
{
    const auto run = RunTool({"runtime", ConfigFor(OLVA_TEST_RUNTIME_FULL), "--json", "--strict"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const nlohmann::json report = ParseReport(run);
    EXPECT_EQ(report.at("opened"), true);
    EXPECT_EQ(report.at("olvaruntimepath"), OLVA_TEST_RUNTIME_FULL);
    EXPECT_EQ(report.at("provided"), kEntryPointCount);
    ASSERT_EQ(report.at("entry_points").size(), kEntryPointCount);
    EXPECT_EQ(report.at("entry_points")[0].at("name"), "OLVA_CreateRenderer");
    EXPECT_TRUE(report.at("findings").empty());

    const auto human = RunTool({"runtime", ConfigFor(OLVA_TEST_RUNTIME_FULL)});
    EXPECT_NE(human.out.find("All " + std::to_string(kEntryPointCount) + " entry points are provided"),
              std::string::npos)
        << human.out;
}

TEST(RuntimeCheck, PartialRuntimeListsWhatTheLibraryAnswersItself)
{
    const auto run = RunTool({"runtime", ConfigFor(OLVA_TEST_RUNTIME_PARTIAL), "--json"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    const nlohmann::json report = ParseReport(run);
    EXPECT_EQ(report.at("provided"), 4);
    for (const char* name : {"OLVA_CreateRuntime", "OLVA_DestroyRuntime", "OLVA_WaitFrame", "OLVA_GetSupportedDevices"}) {
        SCOPED_TRACE(name);
        const nlohmann::json* entry = EntryNamed(report, name);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->at("provided"), true);
        EXPECT_TRUE(entry->at("library_answers").is_null());
    }
    // What the application gets back instead, from the entry point table.
    const std::pair<const char*, nlohmann::json> missing[] = {
        {"OLVA_SubmitFrame", "-2"},
        {"OLVA_SetPerformanceLevels", "false"},
        {"OLVA_ReleaseControllerModelData", nullptr},
    };
    for (const auto& [name, answer] : missing) {
        SCOPED_TRACE(name);
        const nlohmann::json* entry = EntryNamed(report, name);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->at("provided"), false);
        EXPECT_EQ(entry->at("library_answers"), answer);
    }
    // The input system needs more than OLVA_GetSupportedDevices.
    ASSERT_EQ(report.at("findings").size(), 1u);
    const nlohmann::json& finding = report.at("findings")[0];
    EXPECT_EQ(finding.at("severity"), "warning");
    EXPECT_EQ(finding.at("code"), "input-functions-missing");
    EXPECT_EQ(finding.at("message"),
              "the input system calls OLVA_GetSupportedDeviceInputType, OLVA_IsDeviceConnected, "
              "OLVA_GetInputClickStates, OLVA_GetInputTouchStates, OLVA_GetInputIdConfiguration, "
              "OLVA_GetInputAnalogState, which the runtime library lacks: the controllers' input, or part of it, "
              "always reads as absent");

    EXPECT_EQ(RunTool({"runtime", ConfigFor(OLVA_TEST_RUNTIME_PARTIAL), "--strict"}).status, 1);

    const auto human = RunTool({"runtime", ConfigFor(OLVA_TEST_RUNTIME_PARTIAL)});
    // The four it provides are all of those the library answers with -2.
    EXPECT_NE(human.out.find("4 of " + std::to_string(kEntryPointCount) + " provided"), std::string::npos)
        << human.out;
    EXPECT_NE(human.out.find("Missing: the library answers -2 (" + std::to_string(kAnswersUnsupported - 4) + ")"),
              std::string::npos)
        << human.out;
    EXPECT_NE(human.out.find("Missing: the library answers false (1)"), std::string::npos) << human.out;
}

TEST(RuntimeCheck, RuntimeWithoutCreateRuntimeIsAnError)
{
    const auto run = RunTool({"runtime", ConfigFor(OLVA_TEST_RUNTIME_NO_CREATE), "--json"});
    EXPECT_EQ(run.status, 1);
    const nlohmann::json report = ParseReport(run);
    EXPECT_EQ(report.at("provided"), kEntryPointCount - 1);
    ASSERT_EQ(report.at("findings").size(), 1u);
    EXPECT_EQ(report.at("findings")[0].at("code"), "create-runtime-missing");
}

TEST(RuntimeCheck, PathNamingTheLibraryItselfProvidesNothing)
{
    // The library never forwards into itself; the checker says so.
    const auto run = RunTool({"runtime", ConfigFor(OLVA_FRAMEWORK_SO), "--json"});
    EXPECT_EQ(run.status, 1);
    const nlohmann::json report = ParseReport(run);
    EXPECT_EQ(report.at("opened"), true);
    EXPECT_EQ(report.at("provided"), 0);
    EXPECT_EQ(report.at("entry_points")[0].at("resolves_into_framework"), true);
    std::vector<std::string> codes;
    for (const nlohmann::json& finding : report.at("findings")) {
        codes.push_back(finding.at("code"));
    }
    EXPECT_EQ(codes, (std::vector<std::string>{"runtime-is-framework", "create-runtime-missing",
                                               "input-functions-missing"}));
}

TEST(RuntimeCheck, LibrariesThatDoNotOpenReportTheDynamicLoadersText)
{
    struct Row {
        std::string path;
        const char* loaderText;  // part of dlerror's text
    };
    const Row rows[] = {
        {"/nonexistent/libruntime.so", "cannot open shared object file"},
        {std::string(OLVA_CHECK_DATA_DIR) + "/clean/actions.json", "invalid ELF header"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const auto run = RunTool({"runtime", ConfigFor(row.path), "--json"});
        EXPECT_EQ(run.status, 1);
        const nlohmann::json report = ParseReport(run);
        EXPECT_EQ(report.at("opened"), false);
        EXPECT_NE(report.at("dlopen_error").get<std::string>().find(row.loaderText), std::string::npos);
        ASSERT_EQ(report.at("findings").size(), 1u);
        const nlohmann::json& finding = report.at("findings")[0];
        EXPECT_EQ(finding.at("code"), "runtime-not-opened");
        EXPECT_EQ(finding.at("location"), "olvaruntimepath");
        const std::string message = finding.at("message");
        EXPECT_NE(message.find(row.loaderText), std::string::npos) << message;
        EXPECT_NE(message.find("\"dlopen调用失败\""), std::string::npos) << message;
    }
}

TEST(RuntimeCheck, ConfigurationsTheLibraryRejects)
{
    struct Row {
        const char* text;
        const char* code;
        const char* messagePart;
    };
    const Row rows[] = {
        {"{\"olvaruntimepath\": \"x.so\"} // comment", "config-not-json", "parse_error.101"},
        {"{\"olvaruntimepath\": ", "config-not-json", "parse_error.101"},
        {"{\"olvaruntimepath\": \"x.so\", \"n\": 1e400}", "config-not-json", "out_of_range.406"},
        {"[\"olvaruntimepath\"]", "config-not-object", "type_error.305"},
        {"{}", "runtime-path-missing", "\"olvaruntimepath\" is missing; OLVA_CreateRuntime throws \"读取runtimePath路径失败\""},
        {"{\"olvaruntimepath\": 5}", "runtime-path-missing", "\"olvaruntimepath\" is not a string"},
        // Keys are exact: a near miss is named.
        {"{\"olvaRuntimePath\": \"x.so\"}", "runtime-path-missing",
         "; the key \"olvaRuntimePath\" is not read (keys are exact): did you mean \"olvaruntimepath\"?"},
        {"not-a-file-and-not-json", "config-unreadable", "cannot read this configuration file"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const auto run = RunTool({"runtime", row.text, "--json"});
        EXPECT_EQ(run.status, 1);
        const nlohmann::json report = ParseReport(run);
        EXPECT_EQ(report.at("opened"), false);
        ASSERT_EQ(report.at("findings").size(), 1u);
        EXPECT_EQ(report.at("findings")[0].at("code"), row.code);
        EXPECT_NE(report.at("findings")[0].at("message").get<std::string>().find(row.messagePart), std::string::npos)
            << report.at("findings")[0].dump();
    }
}

TEST(RuntimeCheck, TheSimulatedRuntimesScenarioIsReadWithItsOwnReader)
{
    const std::string scenarios = std::string(OLVA_CHECK_DATA_DIR) + "/scenarios";
    struct Row {
        std::string simulation;  // JSON value of the "simulation" key
        const char* code;        // nullptr: no finding
        std::string messagePart;
    };
    const Row rows[] = {
        {"\"" + scenarios + "/left_joystick.json\"", nullptr, ""},
        {R"({"name": "inline", "controllers": {"right": "touch"}, "timeline": []})", nullptr, ""},
        {"\"" + scenarios + "/missing.json\"", "scenario-unreadable",
         "cannot read the scenario file \"" + scenarios + "/missing.json\" (No such file or directory)"},
        {"\"" + scenarios + "//misspelt_control.json\"", "scenario-invalid",
         "rejects the scenario file \"" + scenarios + "/misspelt_control.json\": timeline[0].left.pressed[0]"},
        {R"({"name": "inline", "controllers": {"left": "stick"}})", "scenario-invalid",
         "rejects the scenario in \"simulation\": controllers.left"},
        {"5", "scenario-invalid", "must be a scenario file name or a scenario object"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.simulation);
        const std::string config = std::string(R"({"olvaruntimepath": ")") + OLVA_TEST_RUNTIME_FULL +
                                   R"(", "simulation": )" + row.simulation + "}";
        const auto run = RunTool({"runtime", config, "--json"});
        EXPECT_EQ(run.status, row.code == nullptr ? 0 : 1) << run.out;
        const nlohmann::json report = ParseReport(run);
        const nlohmann::json& findings = report.at("findings");
        if (row.code == nullptr) {
            EXPECT_TRUE(findings.empty()) << findings.dump(2);
            EXPECT_EQ(report.at("scenario").at("valid"), true);
            continue;
        }
        ASSERT_EQ(findings.size(), 1u) << findings.dump(2);
        EXPECT_EQ(findings[0].at("code"), row.code);
        EXPECT_EQ(findings[0].at("location"), "simulation");
        EXPECT_NE(findings[0].at("message").get<std::string>().find(row.messagePart), std::string::npos)
            << findings[0].dump();
    }

    const auto human = RunTool({"runtime", std::string(R"({"olvaruntimepath": ")") + OLVA_TEST_RUNTIME_FULL +
                                               R"(", "simulation": ")" + scenarios + R"(/left_joystick.json"})"});
    EXPECT_NE(human.out.find("Scenario         " + scenarios + "/left_joystick.json: \"left joystick\", left=joystick\n"),
              std::string::npos)
        << human.out;
}

TEST(RuntimeCheck, ConfigurationFromAFile)
{
    char path[] = "/tmp/olva_check_config_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    std::ofstream(path) << ConfigFor(OLVA_TEST_RUNTIME_FULL);
    const auto run = RunTool({"runtime", path, "--json"});
    // Named with a doubled separator, it is shown without.
    const auto doubled = RunTool({"runtime", std::string("/tmp//") + (path + 5), "--json"});
    unlink(path);
    ASSERT_EQ(run.status, 0) << run.out;
    const nlohmann::json report = ParseReport(run);
    EXPECT_EQ(report.at("configuration"), path);
    EXPECT_EQ(report.at("provided"), kEntryPointCount);
    EXPECT_EQ(ParseReport(doubled).at("configuration"), path);
}

}  // namespace
