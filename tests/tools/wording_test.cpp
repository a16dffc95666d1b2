// The closest-name suggestions of the checker's findings, and paths shown
// without doubled separators.
#include "wording.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using olva::check::ClosestName;
using olva::check::DidYouMean;
using olva::check::ShownPath;

struct ClosestCase {
    const char* name;
    std::vector<std::string> candidates;
    const char* expected;  // "" for no suggestion
};

TEST(CheckWording, SuggestsOnlyLikelyMisspellings)
{
    const ClosestCase cases[] = {
        {"jmup", {"fire", "jump", "move"}, "jump"},            // two letters swapped
        {"jum", {"jump"}, "jump"},                             // one dropped
        {"Click", {"click", "touch"}, "click"},                // letter case only
        {"OLVA_Joy_Stick", {"OLVA_Touch", "OLVA_JoyStick", "OLVA_GamePad"}, "OLVA_JoyStick"},
        {"olva_runtime_path", {"olvaruntimepath"}, "olvaruntimepath"},
        {"/actions/mian", {"/actions/demo", "/actions/main"}, "/actions/main"},
        {"/input/trigerr", {"/input/grip", "/input/trigger"}, "/input/trigger"},
        {"/actions/menu", {"/actions/main"}, ""},
        {"fire", {"fire"}, ""},                                // equal: nothing to suggest
        {"aim", {"jump", "fire"}, ""},                         // unrelated short names
        {"/actions/other", {"/actions/main"}, ""},             // a shared prefix is no likeness
        {"/actions/main", {"/actions/demo"}, ""},
        {"a", {"b"}, ""},                                      // never the whole of a name
        {"", {"jump"}, ""},
        {"jump", {}, ""},
    };
    for (const ClosestCase& row : cases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ClosestName(row.name, row.candidates), row.expected);
    }
}

TEST(CheckWording, DidYouMeanTriesTheLastSegmentOfAPathLikeName)
{
    EXPECT_EQ(DidYouMean("jmup", {"jump"}), "; did you mean \"jump\"?");
    EXPECT_EQ(DidYouMean("/actions/main/in/jump", {"fire", "jump"}), "; did you mean \"jump\"?");
    EXPECT_EQ(DidYouMean("/actions/main/in/jmup", {"fire", "jump"}), "; did you mean \"jump\"?");
    EXPECT_EQ(DidYouMean("/actions/main/in/", {"fire", "jump"}), "");
    EXPECT_EQ(DidYouMean("aim", {"jump"}), "");
}

TEST(CheckWording, ShownPathsHaveNoDoubledSeparators)
{
    EXPECT_EQ(ShownPath("dir//bindings.json"), "dir/bindings.json");
    EXPECT_EQ(ShownPath("//a///b/"), "/a/b/");
    EXPECT_EQ(ShownPath("a\\\\b"), "a\\\\b");  // only "/" separates on this system
    EXPECT_EQ(ShownPath(""), "");
}

}  // namespace
