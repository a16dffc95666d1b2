// The page building blocks on their own: escaping, wrapping, where an input
// lands on the controller drawing, spans and marks of the timeline, and
// pages made from hostile names.
#include "html_bindings.h"
#include "html_controller.h"
#include "html_page.h"
#include "html_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace olva::check::html;

TEST(HtmlText, EscapesMarkupAndControlCharacters)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"fire", "fire"},
        {"<script>", "&lt;script&gt;"},
        {"a&b", "a&amp;b"},
        {"say \"hi\" 'there'", "say &quot;hi&quot; &#39;there&#39;"},
        {std::string("nul\0byte", 8), "nul\xEF\xBF\xBD" "byte"},
        {"bell\x07 del\x7F", "bell\xEF\xBF\xBD del\xEF\xBF\xBD"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Escape(c.in), c.out) << c.in;
    }
}

TEST(HtmlText, WrapsAtSpacesCutsLongWordsAndKeepsUtf8Whole)
{
    EXPECT_EQ(Wrap("", 10), std::vector<std::string>{""});
    EXPECT_EQ(Wrap("one two three", 7), (std::vector<std::string>{"one two", "three"}));
    EXPECT_EQ(Wrap("abcdefghij", 4), (std::vector<std::string>{"abcd", "efgh", "ij"}));
    EXPECT_EQ(Wrap("ab abcdefgh", 4), (std::vector<std::string>{"ab", "abcd", "efgh"}));
    // Two-byte characters count once and are never split.
    const std::vector<std::string> lines = Wrap("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 2);
    ASSERT_EQ(lines.size(), 3u);
    for (const std::string& line : lines) {
        EXPECT_LE(Columns(line), 2u);
        EXPECT_NE(static_cast<unsigned char>(line.front()) & 0xC0, 0x80u) << "starts inside a character";
    }
    for (const std::string& line : Wrap("a few words of a long finding message, wrapped", 12)) {
        EXPECT_LE(Columns(line), 12u) << line;
    }
}

TEST(HtmlText, NumbersIgnoreLocaleAndNeverPrintNegativeZero)
{
    EXPECT_EQ(Number(1.25, 1), "1.2");
    EXPECT_EQ(Number(-0.01, 1), "0.0");
    EXPECT_EQ(Number(-0.0, 0), "0");
    EXPECT_EQ(Number(12.0, 0), "12");
    EXPECT_EQ(Number(std::numeric_limits<double>::infinity(), 1), "0");
}

TEST(ControllerDrawing, EachInputLandsOnItsElement)
{
    const struct {
        const char* component;
        const char* how;
        bool right;
        const char* element;
    } cases[] = {
        {"/input/trigger", "click", true, "trigger"},
        {"/INPUT/Trigger", "pull", false, "trigger"},  // the rules ignore case
        {"/input/grip", "click", true, "grip"},
        {"/input/joystick", "position", false, "stick"},
        {"/input/trackpad", "click", true, "stick"},
        {"/input/joystick", "north", true, "stick-north"},
        {"/input/trackpad", "WEST", false, "stick-west"},
        {"/input/a", "click", true, "button-a"},
        {"/input/b", "touch", true, "button-b"},
        {"/input/x", "click", false, "button-x"},
        {"/input/y", "click", false, "button-y"},
        {"/input/a", "click", false, "other"},  // no A button on the left controller
        {"/input/menu", "click", false, "menu"},
        {"/input/system", "click", true, "system"},
        {"/input/application_menu", "click", true, "other"},
        {"", "click", true, "other"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ElementId(ElementFor(c.component, c.how, c.right), c.right), c.element)
            << c.component << " " << c.how << (c.right ? " right" : " left");
    }
}

TEST(ControllerDrawing, InputsSitInsideTheDrawingAndApart)
{
    for (const ControllerKind kind : {ControllerKind::Touch, ControllerKind::Joystick}) {
        for (const bool right : {false, true}) {
            for (int i = 0; i < kElementCount; ++i) {
                const ElementPlace a = PlaceOf(static_cast<Element>(i), kind, right);
                EXPECT_GE(a.x, 0);
                EXPECT_LE(a.x, kDrawingWidth);
                EXPECT_GE(a.y, 0);
                EXPECT_LE(a.y, kDrawingHeight);
                for (int j = i + 1; j < kElementCount; ++j) {
                    const ElementPlace b = PlaceOf(static_cast<Element>(j), kind, right);
                    EXPECT_FALSE(a.x == b.x && a.y == b.y) << i << " and " << j << " share a place";
                }
            }
        }
    }
}

// A page whose every name comes from a hostile file.
BindingsPage HostileBindingsPage()
{
    const std::string evil = "</text><script>alert(1)</script>\"'&";
    PageBinding binding;
    binding.action = evil;
    binding.actionType = "boolean";
    binding.path = "/user/hand/right/input/trigger\"><img src=http://x/>";
    binding.component = "/input/trigger\"><img src=http://x/>";
    binding.how = "click";
    binding.effect = "digital";
    binding.location = "bindings[\"" + evil + "\"]";
    binding.findings.push_back({"warning", "undeclared-action", evil + ".json", "at <here>", evil});
    PageSetup setup;
    setup.name = setup.spec = "right=touch";
    setup.selected = true;
    setup.bindingFile = evil;
    setup.hands[0].right = false;
    setup.hands[1].right = true;
    setup.hands[1].kind = ControllerKind::Touch;
    setup.hands[1].bindings.push_back(binding);
    setup.unboundActions.push_back(evil);
    setup.findings.push_back({"error", "invalid-json", evil, evil, evil});
    BindingsPage page;
    page.manifest = evil;
    page.setups.push_back(setup);
    page.findings.push_back({"warning", "x", evil, evil, evil});
    return page;
}

SessionPage HostileSessionPage()
{
    SessionPage page;
    page.title = "<script>alert(1)</script>";
    page.facts = {{"<b>", "</dl><script>"}};
    page.frameCount = 3;
    SessionAction action;
    action.name = "<script>\"'&";
    action.type = "boolean";
    action.boolean = true;
    action.state = {0, 1, 0};
    action.changed = {0, 1, 1};
    page.actions.push_back(action);
    return page;
}

TEST(HostileNames, NeverBecomeMarkup)
{
    for (const std::string& html : {RenderBindingsPage(HostileBindingsPage()), RenderSessionPage(HostileSessionPage())}) {
        EXPECT_EQ(html.find("<script"), std::string::npos);
        EXPECT_EQ(html.find("<img"), std::string::npos);
        // Every attribute value is closed by its own quote: no raw quote
        // inside one.
        EXPECT_TRUE(std::regex_search(html, std::regex("data-action=\"&lt;")));
        EXPECT_FALSE(std::regex_search(html, std::regex("data-[a-z-]+=\"[^\"]*<")));
    }
    EXPECT_NE(RenderBindingsPage(HostileBindingsPage())
                  .find("data-action=\"&lt;/text&gt;&lt;script&gt;alert(1)&lt;/script&gt;&quot;&#39;&amp;\""),
              std::string::npos);
    EXPECT_NE(RenderSessionPage(HostileSessionPage()).find("<dd>&lt;/dl&gt;&lt;script&gt;</dd>"), std::string::npos);
}

TEST(SessionTimeline, SpansFollowRunsAndMarksFollowEdges)
{
    SessionPage page;
    page.firstFrame = 10;
    page.frameCount = 6;
    SessionHand hand;
    hand.right = true;
    hand.kind = "joystick controller";
    hand.lanes.push_back({"trigger", "trigger", {0, 2, 2, 1, 0, 2}});
    page.hands.push_back(hand);
    SessionAction fire;
    fire.name = "fire";
    fire.type = "boolean";
    fire.boolean = true;
    fire.state = {0, 1, 1, 0, 0, 1};
    fire.changed = {0, 1, 0, 1, 0, 1};
    page.actions.push_back(fire);
    const std::string html = RenderSessionPage(page);

    const auto count = [&](const std::string& pattern) {
        const std::regex re(pattern);
        return std::distance(std::sregex_iterator(html.begin(), html.end(), re), std::sregex_iterator());
    };
    // Frame numbers start at the first frame.
    EXPECT_EQ(count("class=\"span button clicked\" data-from=\"11\" data-to=\"12\""), 1);
    EXPECT_EQ(count("class=\"span button touched\" data-from=\"13\" data-to=\"13\""), 1);
    EXPECT_EQ(count("class=\"span button clicked\" data-from=\"15\" data-to=\"15\""), 1);
    EXPECT_EQ(count("class=\"span button"), 3);
    EXPECT_EQ(count("class=\"press\" data-frame=\"(11|15)\""), 2);
    EXPECT_EQ(count("class=\"release\" data-frame=\"13\""), 1);
    EXPECT_EQ(count("data-presses=\"2\" data-releases=\"1\""), 1);
}

TEST(SessionTimeline, AnHourOfFramesStaysSmall)
{
    // An hour at 90 frames a second, a stick sweeping and a button pressed
    // every second.
    constexpr std::size_t kFrames = 90 * 3600;
    SessionPage page;
    page.frameCount = kFrames;
    SessionHand hand;
    hand.right = true;
    SessionLane button{"a", "A", std::vector<uint8_t>(kFrames)};
    SessionPanel stick{"stick", "stick", -1, 1, {{"stick-x", "x", std::vector<float>(kFrames)}}};
    for (std::size_t i = 0; i < kFrames; ++i) {
        button.levels[i] = (i / 45) % 2 == 0 ? kLaneClicked : kLaneOff;
        stick.traces[0].values[i] = static_cast<float>((i % 180) / 90.0 - 1.0);
    }
    hand.lanes.push_back(button);
    hand.panels.push_back(stick);
    page.hands.push_back(hand);
    const std::string html = RenderSessionPage(page);
    // One rectangle per press, and a trace of two points per pixel column.
    const std::size_t points = static_cast<std::size_t>(
        std::count(html.begin() + static_cast<std::ptrdiff_t>(html.find("data-trace=\"stick-x\"")), html.end(), ','));
    EXPECT_LE(points, 2 * 1010u + 10);
    EXPECT_LT(html.size(), 16u * 1024 * 1024);
}

}  // namespace
