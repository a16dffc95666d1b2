// Every forwarding entry point, before and after a runtime is loaded, driven
// from the same entry point table the library is generated from.
#include "support/fresh_process.h"
#include "support/process_state.h"
#include "support/runtime_fixture.h"

#include "loader/entry_point_index.h"
#include "loader/olva_framework.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

using olva::EntryPoint;
using olva::test::RuntimeState;

struct Row {
    EntryPoint entry;
    const char* name;
    // Calls the entry point with values distinct per entry and argument and
    // checks the result, and (with a runtime loaded) what the runtime got.
    std::function<void(RuntimeState*, bool runtimeLoaded)> check;
};

template <typename T>
T DistinctArg(std::size_t entry, std::size_t position)
{
    const uint64_t tag = (entry + 1) * 16 + position + 1;
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<T>(static_cast<uintptr_t>(0x5a5a000000000000ull | (tag << 4)));
    } else if constexpr (std::is_floating_point_v<T>) {
        return static_cast<T>(0.25 + static_cast<double>(tag));
    } else {
        return static_cast<T>(-static_cast<int64_t>(tag) * 3);  // negative: a truncation or sign slip shows
    }
}

template <EntryPoint entry, typename Ret, typename... Args, std::size_t... I>
Row MakeRowImpl(const char* name, Ret (*fn)(Args...), std::function<Ret()> absent, std::index_sequence<I...>)
{
    return Row{entry, name, [=](RuntimeState* state, bool loaded) {
                   const auto index = static_cast<std::size_t>(entry);
                   const std::tuple<Args...> args{DistinctArg<Args>(index, I)...};
                   const uint64_t passed[] = {olva::test::ArgBits(std::get<I>(args))...};
                   const int64_t runtimeResult = -1000 - static_cast<int64_t>(index);
                   if (state != nullptr) {
                       state->results[index] = runtimeResult;
                   }
                   const uint32_t callsBefore = state != nullptr ? state->calls[index] : 0;

                   if constexpr (std::is_void_v<Ret>) {
                       std::apply(fn, args);
                   } else {
                       const Ret result = std::apply(fn, args);
                       EXPECT_EQ(result, loaded ? static_cast<Ret>(runtimeResult) : absent()) << name;
                   }
                   if (!loaded) {
                       return;
                   }
                   ASSERT_NE(state, nullptr);
                   EXPECT_EQ(state->calls[index], callsBefore + 1) << name;
                   for (std::size_t i = 0; i < sizeof...(Args); ++i) {
                       EXPECT_EQ(state->lastArgs[index][i], passed[i]) << name << " argument " << i;
                   }
               }};
}

template <EntryPoint entry, typename Ret, typename... Args>
Row MakeRow(const char* name, Ret (*fn)(Args...), std::function<Ret()> absent)
{
    return MakeRowImpl<entry>(name, fn, std::move(absent), std::index_sequence_for<Args...>{});
}

std::vector<Row> AllRows()
{
    // The two hand-written forwarders are covered by their own tests.
    std::vector<Row> rows;
#define OLVA_ENTRY(ret, name, params, args, absent) \
    rows.push_back(MakeRow<EntryPoint::name, ret>(#name, &name, []() -> ret { return absent; }));
#define OLVA_ENTRY_SPECIAL(ret, name, params, args, absent)
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY_SPECIAL
#undef OLVA_ENTRY
    return rows;
}

// The rows of the table that are forwarded by hand rather than generated.
constexpr std::size_t kSpecialRows = 0
#define OLVA_ENTRY(ret, name, params, args, absent)
#define OLVA_ENTRY_SPECIAL(ret, name, params, args, absent) +1
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY_SPECIAL
#undef OLVA_ENTRY
    ;

// Runs in a process of its own, where no runtime has been loaded yet.
TEST(ForwardingBeforeAnyRuntime, EveryEntryPointGivesItsAbsentResult)
{
    olva::test::ExpectInFreshProcess([] {
        const std::vector<Row> rows = AllRows();
        ASSERT_EQ(rows.size(), olva::kEntryPointCount - kSpecialRows);
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            row.check(nullptr, false);
        }
        EXPECT_EQ(OLVA_SetPerformanceLevels(nullptr, 1, 2), false);
        EXPECT_EQ(OLVA_SetSystemSetting(nullptr, 1), OLVA_RESULT_UNSUPPORTED);
        OLVA_XrFeatureStartInfo info = {1, OLVA_XR_FEATURE_ANY_SUPPORTED, nullptr};
        EXPECT_EQ(OLVA_StartXrFeature(nullptr, &info, nullptr), OLVA_RESULT_UNSUPPORTED);
        EXPECT_TRUE(olva_framework::GetInstance()->funMap().empty());
    });
}

// The test runtimes' control blocks start zeroed in every test below; each
// test creates the runtime it needs.
using Forwarding = olva::test::ProcessStateTest;

TEST_F(Forwarding, EveryEntryPointPassesArgumentsAndResultUnchanged)
{
    olva::test::CreateRuntime();
    RuntimeState* state = olva::test::StateOf(olva::test::kFullRuntime);
    state->recordOnly = true;  // the distinct pointer values point nowhere
    for (const Row& row : AllRows()) {
        SCOPED_TRACE(row.name);
        row.check(state, true);
    }
}

TEST_F(Forwarding, CreateRuntimePassesTheCallersRecordAndHandleOn)
{
    RuntimeState* state = olva::test::StateOf(olva::test::kFullRuntime);
    const std::string config = olva::test::ConfigFor(olva::test::kFullRuntime);
    const OLVA_RuntimeCreateInfo info = {config.c_str()};
    void* runtime = nullptr;
    state->results[static_cast<std::size_t>(EntryPoint::OLVA_CreateRuntime)] = 42;
    EXPECT_EQ(OLVA_CreateRuntime(&info, &runtime), 42);
    const auto index = static_cast<std::size_t>(EntryPoint::OLVA_CreateRuntime);
    EXPECT_EQ(state->lastArgs[index][0], reinterpret_cast<uintptr_t>(&info));
    EXPECT_EQ(state->lastArgs[index][1], reinterpret_cast<uintptr_t>(&runtime));
    EXPECT_EQ(runtime, state);
    state->results[index] = 0;
}

TEST_F(Forwarding, CreateRuntimeWithoutTheRuntimesOwnFunctionStillForwardsTheRest)
{
    const std::string config = olva::test::ConfigFor(olva::test::kRuntimeWithoutCreate);
    const OLVA_RuntimeCreateInfo info = {config.c_str()};
    void* runtime = nullptr;
    EXPECT_EQ(OLVA_CreateRuntime(&info, &runtime), OLVA_RESULT_UNSUPPORTED);
    EXPECT_EQ(runtime, nullptr);

    RuntimeState* state = olva::test::StateOf(olva::test::kRuntimeWithoutCreate);
    state->results[static_cast<std::size_t>(EntryPoint::OLVA_WaitFrame)] = 7;
    EXPECT_EQ(OLVA_WaitFrame(nullptr, nullptr), 7);
}

TEST_F(Forwarding, PartialRuntimeAnswersUnsupportedForWhatItLacks)
{
    olva::test::CreateRuntime(olva::test::kPartialRuntime);
    RuntimeState* state = olva::test::StateOf(olva::test::kPartialRuntime);
    state->results[static_cast<std::size_t>(EntryPoint::OLVA_WaitFrame)] = 5;
    EXPECT_EQ(OLVA_WaitFrame(nullptr, nullptr), 5);
    EXPECT_EQ(OLVA_SubmitFrame(nullptr, nullptr), OLVA_RESULT_UNSUPPORTED);
    EXPECT_EQ(OLVA_SetPerformanceLevels(nullptr, 1, 1), false);
    OLVA_ReleaseControllerModelData(nullptr, nullptr);  // absent: does nothing
    EXPECT_EQ(OLVA_SetSystemSetting(nullptr, 3), OLVA_RESULT_UNSUPPORTED);
}

struct FeatureCase {
    const char* name;
    const char* runtime;
    uint64_t supported;
    uint64_t requested;
    uint64_t expectedAtRuntime;
    bool asksForFeatures;
};

TEST_F(Forwarding, StartXrFeatureSubstitutesFeature256OnlyForExactly32BitsSet)
{
    const FeatureCase cases[] = {
        {"bit 8 set", olva::test::kFullRuntime, 0x100, 0xFFFFFFFFull, 256, true},
        {"bit 8 set among others", olva::test::kFullRuntime, 0x1FF, 0xFFFFFFFFull, 256, true},
        {"bit 8 clear", olva::test::kFullRuntime, 0xFF, 0xFFFFFFFFull, 0xFFFFFFFFull, true},
        {"all 64 bits requested", olva::test::kFullRuntime, 0x100, ~0ull, ~0ull, false},
        {"ordinary feature", olva::test::kFullRuntime, 0x100, 3, 3, false},
        {"runtime without feature query", olva::test::kRuntimeWithoutFeatures, 0x100, 0xFFFFFFFFull,
         0xFFFFFFFFull, false},
    };
    for (const FeatureCase& c : cases) {
        SCOPED_TRACE(c.name);
        void* runtime = olva::test::CreateRuntime(c.runtime);
        RuntimeState* state = olva::test::StateOf(c.runtime);
        state->xrFeatures = c.supported;
        state->results[static_cast<std::size_t>(EntryPoint::OLVA_StartXrFeature)] = 17;

        const OLVA_XrFeatureStartInfo info = {0x1111, c.requested, reinterpret_cast<void*>(0x3333)};
        const OLVA_XrFeatureStartInfo before = info;
        void* feature = nullptr;
        EXPECT_EQ(OLVA_StartXrFeature(runtime, &info, &feature), 17);

        const auto start = static_cast<std::size_t>(EntryPoint::OLVA_StartXrFeature);
        const auto query = static_cast<std::size_t>(EntryPoint::OLVA_GetSupportedXrFeatures);
        EXPECT_EQ(state->calls[start], 1u);
        EXPECT_EQ(state->calls[query], c.asksForFeatures ? 1u : 0u);
        EXPECT_EQ(state->lastStartInfo.structType, 0x1111u);
        EXPECT_EQ(state->lastStartInfo.feature, c.expectedAtRuntime);
        EXPECT_EQ(state->lastStartInfo.options, reinterpret_cast<void*>(0x3333));
        EXPECT_EQ(state->lastArgs[start][0], reinterpret_cast<uintptr_t>(runtime));
        EXPECT_EQ(state->lastArgs[start][2], reinterpret_cast<uintptr_t>(&feature));
        const bool substituted = c.expectedAtRuntime != c.requested;
        EXPECT_EQ(state->lastArgs[start][1] == reinterpret_cast<uintptr_t>(&info), !substituted);
        EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0) << "the caller's record must not change";
    }
}

TEST_F(Forwarding, UnsupportedAlwaysAnswersUnsupported)
{
    EXPECT_EQ(OLVA_Unsupported(), OLVA_RESULT_UNSUPPORTED);
}

}  // namespace
