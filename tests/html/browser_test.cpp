// Both pages of olva-check rendered by a real browser (headless Chromium):
// the DOM holds every action in its place, the pages ask for nothing
// outside their file, and a screenshot of each lands in the build folder.
// Skipped where no browser is installed.
#include "browser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <regex>
#include <set>

namespace {

using namespace olva::test;
using json = nlohmann::json;

const std::string kManifest = std::string(OLVA_EXAMPLE_DATA) + "/game_actions.json";
const std::string kScenario = std::string(OLVA_EXAMPLE_DATA) + "/scenario_joystick.json";

#define SKIP_WITHOUT_BROWSER()                                                                   \
    do {                                                                                         \
        if (BrowserPath().empty()) {                                                             \
            GTEST_SKIP() << "no chromium on this machine (scripts/setup.sh installs it)";      \
        }                                                                                        \
    } while (false)

// References a page could load from outside its file, found in its text.
std::vector<std::string> OutsideReferences(const std::string& html)
{
    static const std::regex kLoads(
        R"((\b(src|href|action|poster|data|srcset)\s*=\s*["']?\s*([a-z][a-z0-9+.-]*:|//))|(url\(\s*["']?\s*([a-z][a-z0-9+.-]*:|//))|(@import)|(<script)|(<link)|(<iframe)|(<object)|(<embed))",
        std::regex::icase);
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), kLoads); it != std::sregex_iterator(); ++it) {
        found.push_back(it->str());
    }
    return found;
}

std::string BindingsPage(const TempDir& work, json& report)
{
    const std::string page = work / "bindings.html";
    const int status = RunProgram({OLVA_CHECK_TOOL, "bindings", kManifest, "--json", "--html", page},
                                  work / "check.out", work / "check.err");
    EXPECT_TRUE(status == 0 || status == 1) << status << ": " << ReadFile(work / "check.err");
    report = json::parse(ReadFile(work / "check.out"), nullptr, false);
    return page;
}

std::string SessionPage(const TempDir& work)
{
    const std::string page = work / "session.html";
    const int status = RunProgram({OLVA_SESSION_PAGE_TOOL, OLVA_SIM_RUNTIME, kScenario, kManifest, "16", page},
                                  work / "session.out", work / "session.err");
    EXPECT_EQ(status, 0) << ReadFile(work / "session.err");
    return page;
}

std::vector<std::string> DeclaredActions()
{
    std::vector<std::string> names;
    const json manifest = json::parse(ReadFile(kManifest));
    for (const json& action : manifest["actions"]) {
        names.push_back(action["name"].get<std::string>());
    }
    return names;
}

bool HasClass(const DomElement& element, const std::string& cls)
{
    std::istringstream classes(element.Attr("class"));
    std::string one;
    while (classes >> one) {
        if (one == cls) {
            return true;
        }
    }
    return false;
}

TEST(BrowserBindingsPage, HoldsEveryActionOnItsInput)
{
    SKIP_WITHOUT_BROWSER();
    TempDir work;
    json report;
    const std::string page = BindingsPage(work, report);
    ASSERT_TRUE(report.is_object());
    EXPECT_EQ(OutsideReferences(ReadFile(page)), std::vector<std::string>{});

    const BrowserRun run = RunBrowser(page, {"--dump-dom"}, work);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(PageRequests(run.netLog), std::vector<std::string>{});
    const auto dom = ParseDom(run.dom);
    std::vector<const DomElement*> labels;
    for (const auto& element : dom) {
        if (HasClass(*element, "binding")) {
            labels.push_back(element.get());
        }
    }

    // Every source of every selected file, in its setup, on its hand, with
    // its input and how it drives the action; and nothing else.
    std::size_t expected = 0;
    for (const json& setup : report["setups"]) {
        if (!setup["selected"].is_object()) {
            continue;
        }
        const std::string spec = setup["spec"];
        const std::string file = setup["selected"]["binding_file"];
        std::set<std::string> shown;
        for (const json& bindingFile : report["binding_files"]) {
            if (bindingFile["file"] != file) {
                continue;
            }
            for (const json& action : bindingFile["actions"]) {
                for (const char* hand : {"left", "right"}) {
                    for (const json& use : action[hand]) {
                        ++expected;
                        const auto found = std::find_if(labels.begin(), labels.end(), [&](const DomElement* label) {
                            return label->Attr("data-action") == action["name"] && label->Attr("data-input") == use["path"] &&
                                   label->Attr("data-how") == use["input"] && label->Enclosing("data-hand") == hand &&
                                   label->Enclosing("data-setup") == spec;
                        });
                        EXPECT_NE(found, labels.end()) << spec << " " << hand << " " << action["name"] << " "
                                                       << use["path"] << " " << use["input"];
                        shown.insert(action["name"].get<std::string>());
                    }
                }
            }
        }
        // Declared actions this file does not bind are listed as such.
        for (const std::string& name : DeclaredActions()) {
            if (shown.count(name) != 0) {
                continue;
            }
            const bool listed = std::any_of(dom.begin(), dom.end(), [&](const auto& element) {
                return element->Attr("data-action") == name && element->Attr("data-unbound") == "true" &&
                       element->Enclosing("data-setup") == spec;
            });
            EXPECT_TRUE(listed) << spec << ": " << name;
        }
    }
    EXPECT_EQ(labels.size(), expected);
    EXPECT_GT(expected, 0u);

    // Spot checks of places on the drawings of the example's bindings.
    const struct {
        const char* setup;
        const char* hand;
        const char* element;
        const char* action;
        const char* how;
    } places[] = {
        {"left=joystick", "right", "trigger", "fire", "click"},
        {"left=joystick", "right", "trigger", "trigger_value", "pull"},
        {"left=joystick", "right", "stick-north", "teleport_north", "north"},
        {"left=joystick", "left", "stick", "move", "position"},
        {"right=touch", "right", "button-a", "jump", "click"},
        {"right=touch", "left", "menu", "menu", "click"},
        {"right=touch", "left", "grip", "grab", "click"},
    };
    for (const auto& place : places) {
        const bool there = std::any_of(labels.begin(), labels.end(), [&](const DomElement* label) {
            return label->Attr("data-action") == place.action && label->Attr("data-how") == place.how &&
                   label->Enclosing("data-element") == place.element && label->Enclosing("data-hand") == place.hand &&
                   label->Enclosing("data-setup") == place.setup;
        });
        EXPECT_TRUE(there) << place.setup << " " << place.hand << " " << place.element << " " << place.action;
    }
    // Inputs that drive nothing are drawn and marked free.
    const bool freeSystem = std::any_of(dom.begin(), dom.end(), [](const auto& element) {
        return element->Attr("data-element") == "system" && element->Attr("data-free") == "true" &&
               element->Enclosing("data-setup") == "left=joystick";
    });
    EXPECT_TRUE(freeSystem);
}

TEST(BrowserSessionPage, HoldsEveryActionWithItsPressesAndReleases)
{
    SKIP_WITHOUT_BROWSER();
    TempDir work;
    const std::string page = SessionPage(work);
    EXPECT_EQ(OutsideReferences(ReadFile(page)), std::vector<std::string>{});

    const BrowserRun run = RunBrowser(page, {"--dump-dom"}, work);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(PageRequests(run.netLog), std::vector<std::string>{});
    const auto dom = ParseDom(run.dom);
    const auto find = [&](auto predicate) {
        std::vector<const DomElement*> found;
        for (const auto& element : dom) {
            if (predicate(*element)) {
                found.push_back(element.get());
            }
        }
        return found;
    };

    for (const std::string& name : DeclaredActions()) {
        EXPECT_EQ(find([&](const DomElement& e) { return HasClass(e, "action") && e.Attr("data-action") == name; }).size(),
                  1u)
            << name;
    }
    // What the demo prints for this scenario: fire pressed at frame 1 and
    // released at 3, the stick north and east at 4, south at 5.
    const auto marks = [&](const std::string& action, const std::string& kind) {
        std::vector<std::string> frames;
        for (const DomElement* mark :
             find([&](const DomElement& e) { return HasClass(e, kind) && e.Enclosing("data-action") == action; })) {
            frames.push_back(mark->Attr("data-frame"));
        }
        return frames;
    };
    const std::vector<std::string> fireFrames = marks("fire", "press");
    ASSERT_FALSE(fireFrames.empty());
    EXPECT_EQ(fireFrames.front(), "1");
    EXPECT_EQ(marks("fire", "release").front(), "3");
    EXPECT_EQ(marks("teleport_north", "press").front(), "4");
    EXPECT_EQ(marks("teleport_east", "press").front(), "4");
    EXPECT_EQ(marks("teleport_south", "press").front(), "5");

    // The right trigger's lane is clicked from frame 1 to 2, as the
    // scenario holds it.
    const auto spans = find([](const DomElement& e) {
        return HasClass(e, "span") && e.Enclosing("data-lane") == "trigger" && e.Enclosing("data-hand") == "right";
    });
    ASSERT_FALSE(spans.empty());
    EXPECT_EQ(spans.front()->Attr("data-from"), "1");
    EXPECT_EQ(spans.front()->Attr("data-level"), "clicked");
    // Traces of both hands' sticks, and frame numbers on the axis.
    EXPECT_EQ(find([](const DomElement& e) { return e.Attr("data-trace") == "stick-x"; }).size(), 2u);
    EXPECT_FALSE(find([](const DomElement& e) { return e.Attr("data-frame") == "15" && HasClass(e, "frame-number"); })
                     .empty());
}

// The two detectors find what they are there to find.
TEST(BrowserOutsideRequests, AreFoundInTextAndInTheNetworkLog)
{
    SKIP_WITHOUT_BROWSER();
    TempDir work;
    const std::string page = work / "outside.html";
    std::ofstream(page) << "<!DOCTYPE html><html><head><style>body{background:url('https://example.invalid/b.png')}"
                           "</style></head><body><img src=\"http://example.invalid/a.png\"><p>x</p></body></html>";
    EXPECT_EQ(OutsideReferences(ReadFile(page)).size(), 2u);
    const BrowserRun run = RunBrowser(page, {"--dump-dom"}, work);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> requests = PageRequests(run.netLog);
    EXPECT_NE(std::find(requests.begin(), requests.end(), "http://example.invalid/a.png"), requests.end());
}

// The PNG's width and height from its header; 0, 0 when it is not a PNG.
std::pair<uint32_t, uint32_t> PngSize(const std::string& png)
{
    if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) {
        return {0, 0};
    }
    const auto be32 = [&](std::size_t at) {
        return static_cast<uint32_t>(static_cast<unsigned char>(png[at])) << 24 |
               static_cast<uint32_t>(static_cast<unsigned char>(png[at + 1])) << 16 |
               static_cast<uint32_t>(static_cast<unsigned char>(png[at + 2])) << 8 |
               static_cast<uint32_t>(static_cast<unsigned char>(png[at + 3]));
    };
    return {be32(16), be32(20)};
}

TEST(BrowserScreenshots, OfBothPagesLandInTheBuildFolder)
{
    SKIP_WITHOUT_BROWSER();
    TempDir work;
    json report;
    const struct {
        std::string page;
        std::string png;
        uint32_t width;
        uint32_t height;
    } shots[] = {
        {BindingsPage(work, report), std::string(OLVA_SCREENSHOT_DIR) + "/bindings-page.png", 1440, 3600},
        {SessionPage(work), std::string(OLVA_SCREENSHOT_DIR) + "/session-page.png", 1320, 1500},
    };
    for (const auto& shot : shots) {
        std::remove(shot.png.c_str());
        const BrowserRun run = RunBrowser(shot.page,
                                          {"--screenshot=" + shot.png, "--window-size=" + std::to_string(shot.width) +
                                                                           "," + std::to_string(shot.height)},
                                          work);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(PageRequests(run.netLog), std::vector<std::string>{});
        EXPECT_EQ(PngSize(ReadFile(shot.png)), std::make_pair(shot.width, shot.height)) << shot.png;
    }
}

}  // namespace
