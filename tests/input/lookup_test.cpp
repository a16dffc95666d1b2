// Turning names into handles: case folding, the canonical user paths, the
// demo action set, the declared names and types of actions.
#include "input_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

// Counts allocations while a test asks it to, to show which lookups
// allocate nothing.
namespace {
std::atomic<bool> g_countAllocations{false};
std::atomic<int> g_allocations{0};
}  // namespace

void* operator new(std::size_t size)
{
    if (g_countAllocations.load(std::memory_order_relaxed)) {
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}
// Kept out of line: once inlined into a caller, GCC pairs the free() with the
// replaced operator new above and warns of a mismatch that is not there.
__attribute__((noinline)) void operator delete(void* block) noexcept { std::free(block); }
__attribute__((noinline)) void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace olva::test {
namespace {

// Each test starts with an empty registry, cleared edge flags and zeroed
// test runtime control blocks, and leaves them so.
using InputSourceLookup = ProcessStateTest;
using ActionSetLookup = ProcessStateTest;
using ActionLookup = ProcessStateTest;
using Lookups = ProcessStateTest;

const std::string kThreeKinds = DataPath("three_kinds/manifest.json");

TEST_F(InputSourceLookup, FourUserPathsIgnoringCase)
{
    void* runtime = CreateRuntime();
    for (const char* path : {"/user/head", "/user/hand/left", "/user/hand/right", "/user/gamepad"}) {
        SCOPED_TRACE(path);
        std::string upper = path;
        for (char& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        unsigned long lower = 0, capitals = 0;
        ASSERT_EQ(OLVA_GetXrInputSourceHandle(runtime, upper.c_str(), &capitals), 0);
        ASSERT_EQ(OLVA_GetXrInputSourceHandle(runtime, path, &lower), 0);
        EXPECT_EQ(lower, capitals);
        const OLVA_XrInputValue* record = RecordOf<OLVA_XrInputValue>(lower);
        EXPECT_EQ(record->path, path);
        EXPECT_FALSE(record->currentValid || record->previousValid || record->connected);
    }
    for (const char* path : {"/user/hand", "/user/hand/left/", "/user/hand/left/input/trigger", "", "/user/heads"}) {
        SCOPED_TRACE(path);
        unsigned long handle = 99;
        EXPECT_EQ(OLVA_GetXrInputSourceHandle(runtime, path, &handle), OLVA_RESULT_INVALID_ARGUMENT);
        EXPECT_EQ(handle, 99u);
    }
    EXPECT_EQ(olva_input::getInstance()->m_inputValueMap.size(), 4u);
}

TEST_F(InputSourceLookup, APresentKeyIsFoundWithoutAllocating)
{
    void* runtime = CreateRuntime();
    unsigned long right = 0, left = 0, again = 0;
    ASSERT_EQ(OLVA_GetXrInputSourceHandle(runtime, "/user/hand/right", &right), 0);
    ASSERT_EQ(OLVA_GetXrInputSourceHandle(runtime, "/user/hand/left", &left), 0);
    unsigned long action = 0, set = 0;
    ASSERT_EQ(OLVA_GetXrActionHandle(runtime, "/actions/main/in/trigger", &action), 0);
    ASSERT_EQ(OLVA_GetXrActionSetHandle(runtime, "/actions/main", &set), 0);

    g_allocations = 0;
    g_countAllocations = true;
    const int rightResult = OLVA_GetXrInputSourceHandle(runtime, "/user/hand/right", &again);
    const int leftResult = OLVA_GetXrInputSourceHandle(runtime, "/User/Hand/Left", &again);
    const int actionResult = OLVA_GetXrActionHandle(runtime, "/ACTIONS/main/in/trigger", &again);
    const int setResult = OLVA_GetXrActionSetHandle(runtime, "/actions/MAIN", &again);
    g_countAllocations = false;

    EXPECT_EQ(rightResult | leftResult | actionResult | setResult, 0);
    EXPECT_EQ(again, set);
    EXPECT_EQ(g_allocations.load(), 0);
}

TEST_F(ActionSetLookup, DemoSetsUntilAManifestDeclaresSets)
{
    void* runtime = CreateRuntime();
    unsigned long first = 0, second = 0, firstAgain = 0;
    ASSERT_EQ(OLVA_GetXrActionSetHandle(runtime, "/actions/First", &first), 0);
    ASSERT_EQ(OLVA_GetXrActionSetHandle(runtime, "/actions/second", &second), 0);
    ASSERT_EQ(OLVA_GetXrActionSetHandle(runtime, "/ACTIONS/FIRST", &firstAgain), 0);
    EXPECT_NE(first, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(first, firstAgain);
    for (unsigned long handle : {first, second}) {
        EXPECT_EQ(RecordOf<OLVA_XrActionSet>(handle)->name, "/actions/demo");
        EXPECT_EQ(RecordOf<OLVA_XrActionSet>(handle)->usage, "leftright");
    }

    Report(StateOf(kFullRuntime), {3, 0, 0});
    ASSERT_EQ(OLVA_XrActionManifestPath(runtime, kThreeKinds.c_str()), 0);
    unsigned long undeclared = 0;
    EXPECT_EQ(OLVA_GetXrActionSetHandle(runtime, "/actions/undeclared", &undeclared), 0);
    EXPECT_EQ(undeclared, 0u);
    unsigned long kept = 0;
    ASSERT_EQ(OLVA_GetXrActionSetHandle(runtime, "/actions/first", &kept), 0);
    EXPECT_EQ(kept, first);
    unsigned long main = 0;
    ASSERT_EQ(OLVA_GetXrActionSetHandle(runtime, "/actions/main", &main), 0);
    EXPECT_EQ(RecordOf<OLVA_XrActionSet>(main)->usage, "leftright");
    EXPECT_EQ(olva_input::getInstance()->m_actionSetMap.count("/actions/undeclared"), 0u);
}

TEST_F(ActionLookup, DeclaredNamesAndTypes)
{
    void* runtime = CreateRuntime();
    unsigned long early = 0;
    ASSERT_EQ(OLVA_GetXrActionHandle(runtime, "/actions/main/in/Stick", &early), 0);
    EXPECT_EQ(RecordOf<OLVA_XrAction>(early)->name, "/actions/main/in/stick");
    EXPECT_EQ(RecordOf<OLVA_XrAction>(early)->type, "<unset>");

    Report(StateOf(kFullRuntime), {3, 0, 0});
    ASSERT_EQ(OLVA_XrActionManifestPath(runtime, kThreeKinds.c_str()), 0);

    struct Row {
        const char* lookup;
        const char* name;
        const char* type;
        input::ActionClass actionClass;
    };
    const Row rows[] = {
        // Looked up before the manifest was loaded: stays undeclared.
        {"/actions/main/in/stick", "/actions/main/in/stick", "<unset>", input::ActionClass::Other},
        // The first of two declarations that differ only in case counts.
        {"/actions/main/in/trigger", "/actions/main/in/Trigger", "boolean", input::ActionClass::Digital},
        {"/actions/main/in/grip_value", "/actions/main/in/grip_value", "vector1", input::ActionClass::Analog},
        {"/Actions/Undeclared", "/actions/undeclared", "<unset>", input::ActionClass::Other},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.lookup);
        unsigned long handle = 0, capitals = 0;
        ASSERT_EQ(OLVA_GetXrActionHandle(runtime, row.lookup, &handle), 0);
        std::string upper = row.lookup;
        for (char& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        ASSERT_EQ(OLVA_GetXrActionHandle(runtime, upper.c_str(), &capitals), 0);
        EXPECT_EQ(handle, capitals);
        const OLVA_XrAction* action = RecordOf<OLVA_XrAction>(handle);
        EXPECT_EQ(action->name, row.name);
        EXPECT_EQ(action->type, row.type);
        EXPECT_EQ(action->actionClass, row.actionClass);
        EXPECT_TRUE(action->leftSources.empty() && action->rightSources.empty());
        EXPECT_EQ(action->leftInputValue | action->rightInputValue, 0u);
    }
    EXPECT_EQ(RecordOf<OLVA_XrAction>(early)->type, "<unset>");
}

TEST_F(ActionLookup, LongNamesFoldLikeShortOnes)
{
    void* runtime = CreateRuntime();
    const std::string mixed = "/actions/Main/in/" + std::string(200, 'X') + "/Value";
    std::string lower = mixed;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    unsigned long first = 0, second = 0;
    ASSERT_EQ(OLVA_GetXrActionHandle(runtime, mixed.c_str(), &first), 0);
    ASSERT_EQ(OLVA_GetXrActionHandle(runtime, lower.c_str(), &second), 0);
    EXPECT_EQ(first, second);
    EXPECT_EQ(RecordOf<OLVA_XrAction>(first)->name, lower);
    EXPECT_EQ(olva_input::getInstance()->m_actionMap.count(lower), 1u);
}

TEST_F(Lookups, NullNameOrOutputIsInvalidAndCreatesNothing)
{
    void* runtime = CreateRuntime();
    unsigned long handle = 5;
    EXPECT_EQ(OLVA_GetXrActionSetHandle(runtime, nullptr, &handle), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(OLVA_GetXrActionSetHandle(runtime, "/actions/main", nullptr), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(OLVA_GetXrActionHandle(runtime, nullptr, &handle), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(OLVA_GetXrActionHandle(runtime, "a", nullptr), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(OLVA_GetXrInputSourceHandle(runtime, nullptr, &handle), OLVA_RESULT_INVALID_ARGUMENT);
    EXPECT_EQ(OLVA_GetXrInputSourceHandle(runtime, "/user/head", nullptr), OLVA_RESULT_INVALID_ARGUMENT);
    // The runtime is tested first.
    EXPECT_EQ(OLVA_GetXrActionHandle(nullptr, nullptr, nullptr), OLVA_RESULT_INVALID_RUNTIME);
    EXPECT_EQ(handle, 5u);
    const olva_input& input = *olva_input::getInstance();
    EXPECT_TRUE(input.m_actionMap.empty() && input.m_actionSetMap.empty() && input.m_inputValueMap.empty());
}

}  // namespace
}  // namespace olva::test
