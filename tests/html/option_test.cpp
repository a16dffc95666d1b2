// The --html option as a user meets it when something is wrong: a page that
// cannot be written, a missing file name. No browser needed.
#include "browser.h"

#include <gtest/gtest.h>

namespace {

using namespace olva::test;

const std::string kManifest = std::string(OLVA_EXAMPLE_DATA) + "/game_actions.json";

TEST(HtmlOption, APageThatCannotBeWrittenIsOneLineAndStatusOne)
{
    TempDir work;
    const std::string page = work / "missing-folder/page.html";
    const int status = RunProgram({OLVA_CHECK_TOOL, "bindings", kManifest, "--html", page}, work / "out", work / "err");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(ReadFile(work / "err"), "olva-check: cannot write " + page + ": No such file or directory\n");
}

TEST(HtmlOption, NeedsAFileName)
{
    TempDir work;
    for (const std::vector<std::string>& args : {std::vector<std::string>{OLVA_CHECK_TOOL, "bindings", kManifest, "--html"},
                                                 std::vector<std::string>{OLVA_CHECK_TOOL, "bindings", kManifest, "--html="},
                                                 std::vector<std::string>{OLVA_CHECK_TOOL, "runtime", "{}", "--html", "x"}}) {
        EXPECT_EQ(RunProgram(args, work / "out", work / "err"), 2) << args.back();
        EXPECT_NE(ReadFile(work / "err").find("usage: olva-check"), std::string::npos);
    }
}

TEST(HtmlOption, KeepsTheReportOnStandardOutput)
{
    TempDir work;
    const std::string page = work / "page.html";
    ASSERT_EQ(RunProgram({OLVA_CHECK_TOOL, "bindings", kManifest, "--json", "--html", page}, work / "out", work / "err"),
              0)
        << ReadFile(work / "err");
    const nlohmann::json report = nlohmann::json::parse(ReadFile(work / "out"), nullptr, false);
    ASSERT_TRUE(report.is_object());
    EXPECT_EQ(report["command"], "bindings");
    EXPECT_EQ(ReadFile(page).rfind("<!DOCTYPE html>", 0), 0u);
}

// A finding about one binding sits in the label of the input it concerns,
// with its file and JSON location; the binding is marked as never reporting.
TEST(HtmlOption, PutsAFindingBesideItsInput)
{
    TempDir work;
    const std::string page = work / "page.html";
    const std::string manifest = std::string(OLVA_CHECK_DATA_DIR) + "/direction_without_dpad/actions.json";
    ASSERT_EQ(RunProgram({OLVA_CHECK_TOOL, "bindings", manifest, "--controllers", "left=joystick", "--html", page},
                         work / "out", work / "err"),
              0)
        << ReadFile(work / "err");
    // The page as written, read like the browser's DOM: every element of it
    // is closed or self-closing.
    const auto dom = ParseDom(ReadFile(page));
    const DomElement* finding = nullptr;
    const DomElement* binding = nullptr;
    for (const auto& element : dom) {
        if (element->Attr("data-code") == "direction-needs-dpad" && element->name == "g") {
            finding = element.get();
        }
        if (element->Attr("data-action") == "turn") {
            binding = element.get();
        }
    }
    ASSERT_NE(finding, nullptr);
    EXPECT_EQ(finding->Enclosing("data-element"), "stick-west");
    EXPECT_EQ(finding->Enclosing("data-hand"), "left");
    EXPECT_EQ(finding->Attr("data-location"), "bindings[\"/actions/main\"].sources[1].inputs.west.output");
    EXPECT_NE(finding->Attr("data-file").find("direction_without_dpad/bindings.json"), std::string::npos);
    ASSERT_NE(binding, nullptr);
    EXPECT_EQ(binding->Attr("data-effect"), "none");
    EXPECT_EQ(binding->Enclosing("data-element"), "stick-west");
}

}  // namespace
