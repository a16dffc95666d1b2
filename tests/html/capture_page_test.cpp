// olva-check capture --html on a capture of the joystick scenario (the demo
// through the capture layer): the recorded hands alone, and the capture
// replayed through the library with the example manifest. Frame 0 of a
// capture is what was asked before the first OLVA_WaitFrame, so the
// scenario's frame n is the capture's frame n + 1.
#include "browser.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace olva::test;

const std::string kManifest = std::string(OLVA_EXAMPLE_DATA) + "/game_actions.json";
const std::string kCapture = std::string(OLVA_HTML_TEST_DATA) + "/joystick.capture";

bool HasClass(const DomElement& element, const std::string& cls)
{
    return (" " + element.Attr("class") + " ").find(" " + cls + " ") != std::string::npos;
}

// The rendered DOM of olva-check capture's page, with or without a manifest.
std::vector<std::unique_ptr<DomElement>> CapturePage(const TempDir& work, const std::string& manifest)
{
    const std::string page = work / "capture.html";
    std::vector<std::string> args = {OLVA_CHECK_TOOL, "capture", kCapture, "--html", page};
    if (!manifest.empty()) {
        args.insert(args.end(), {"--manifest", manifest});
    }
    const int status = RunProgram(args, work / "check.out", work / "check.err");
    EXPECT_EQ(status, 0) << ReadFile(work / "check.err");
    // The capture's own report still goes to standard output.
    EXPECT_NE(ReadFile(work / "check.out").find("Frames   17"), std::string::npos) << ReadFile(work / "check.out");
    const BrowserRun run = RunBrowser(page, {"--dump-dom"}, work);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(PageRequests(run.netLog), std::vector<std::string>{});
    return ParseDom(run.dom);
}

TEST(BrowserCapturePage, ShowsTheRecordedHands)
{
    if (BrowserPath().empty()) {
        GTEST_SKIP() << "no chromium on this machine (scripts/setup.sh installs it)";
    }
    TempDir work;
    const auto dom = CapturePage(work, "");
    const auto spans = [&](const std::string& hand, const std::string& lane) {
        std::vector<std::pair<std::string, std::string>> found;
        for (const auto& element : dom) {
            if (HasClass(*element, "span") && element->Enclosing("data-hand") == hand &&
                element->Enclosing("data-lane") == lane) {
                found.emplace_back(element->Attr("data-from"), element->Attr("data-to"));
            }
        }
        return found;
    };
    using Spans = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(spans("right", "trigger"), (Spans{{"2", "3"}, {"13", "13"}}));
    EXPECT_EQ(spans("right", "grip"), (Spans{{"9", "9"}}));
    EXPECT_EQ(spans("left", "menu"), (Spans{{"11", "11"}}));
    // Connected from the first read (frame 1) until the right hand drops.
    EXPECT_EQ(spans("right", "connected"), (Spans{{"1", "13"}}));
    EXPECT_TRUE(std::none_of(dom.begin(), dom.end(), [](const auto& e) { return HasClass(*e, "action"); }));
}

TEST(BrowserCapturePage, ReplayedThroughTheLibraryHoldsEveryAction)
{
    if (BrowserPath().empty()) {
        GTEST_SKIP() << "no chromium on this machine (scripts/setup.sh installs it)";
    }
    TempDir work;
    const auto dom = CapturePage(work, kManifest);
    const auto marks = [&](const std::string& action, const std::string& kind) {
        std::vector<std::string> frames;
        for (const auto& element : dom) {
            if (HasClass(*element, kind) && element->Enclosing("data-action") == action) {
                frames.push_back(element->Attr("data-frame"));
            }
        }
        return frames;
    };
    const nlohmann::json manifest = nlohmann::json::parse(ReadFile(kManifest));
    for (const nlohmann::json& action : manifest["actions"]) {
        const std::string name = action["name"];
        EXPECT_EQ(std::count_if(dom.begin(), dom.end(),
                                [&](const auto& e) { return HasClass(*e, "action") && e->Attr("data-action") == name; }),
                  1)
            << name;
    }
    using Frames = std::vector<std::string>;
    EXPECT_EQ(marks("fire", "press"), (Frames{"2", "13"}));
    EXPECT_EQ(marks("fire", "release"), (Frames{"4", "14"}));
    EXPECT_EQ(marks("teleport_north", "press"), Frames{"5"});
    EXPECT_EQ(marks("teleport_south", "press"), Frames{"6"});
    EXPECT_EQ(marks("menu", "press"), Frames{"11"});
}

TEST(CapturePageOption, ManifestNeedsHtmlAndABrokenCaptureIsOneLine)
{
    TempDir work;
    EXPECT_EQ(RunProgram({OLVA_CHECK_TOOL, "capture", kCapture, "--manifest", kManifest}, work / "out", work / "err"), 2);
    EXPECT_NE(ReadFile(work / "err").find("--manifest is for the page"), std::string::npos) << ReadFile(work / "err");

    const std::string broken = work / "broken.capture";
    std::ofstream(broken) << "not a capture\n";
    EXPECT_EQ(RunProgram({OLVA_CHECK_TOOL, "capture", broken, "--html", work / "page.html"}, work / "out", work / "err"),
              1);
    const std::string err = ReadFile(work / "err");
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find(broken), std::string::npos) << err;
}

// A torn last line (a session killed while writing) is named on the page
// and left out; the frames before it are all shown.
TEST(CapturePageOption, NamesATornLastLine)
{
    TempDir work;
    const std::string torn = work / "torn.capture";
    std::ofstream(torn) << ReadFile(kCapture) << "B3.3=1";  // no newline: torn
    const std::string page = work / "page.html";
    const int status = RunProgram({OLVA_CHECK_TOOL, "capture", torn, "--html", page}, work / "out", work / "err");
    EXPECT_TRUE(status == 0 || status == 1) << ReadFile(work / "err");
    const std::string html = ReadFile(page);
    EXPECT_NE(html.find("<dt>torn</dt><dd>line 19: "), std::string::npos);
    EXPECT_NE(html.find("data-frames=\"17\""), std::string::npos);
}

}  // namespace
