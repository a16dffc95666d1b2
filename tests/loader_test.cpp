// The runtime loader: configuration parsing, the failure table with the state
// after each row, re-initialisation and the banner line.
#include "support/fresh_process.h"
#include "support/runtime_fixture.h"

#include "loader/entry_point_index.h"
#include "loader/olva_framework.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using olva::test::ConfigFor;
using olva::test::kFullRuntime;
using olva::test::kPartialRuntime;

olva_framework& Loader() { return *olva_framework::GetInstance(); }

void InitOk(const std::string& runtime)
{
    ASSERT_NO_THROW(Loader().Init(ConfigFor(runtime)));
}

enum class Thrown { ParseError, TypeError305, PathText, DlopenText };

struct FailureRow {
    const char* name;
    std::string config;
    Thrown thrown;
    // The configuration stored afterwards, as JSON text; empty: unchanged.
    std::string storedConfig;
    bool handleNull;  // m_libHandle null afterwards (else unchanged)
};

// The loader cannot be put back: every test that needs a library loaded
// loads one first, and leaves the loader as its last Init did.

TEST(Loader, GetFunctionBeforeAnyInitIsNullAndInsertsNothing)
{
    olva::test::ExpectInFreshProcess([] {
        EXPECT_EQ(Loader().GetFunction("OLVA_WaitFrame"), nullptr);
        EXPECT_EQ(Loader().GetFunction("not a table name"), nullptr);
        EXPECT_TRUE(Loader().funMap().empty());
        EXPECT_TRUE(Loader().config().is_null());
        EXPECT_EQ(Loader().libHandle(), nullptr);
    });
}

TEST(Loader, EachFailureThrowsItsValueAndLeavesTheSpecifiedState)
{
    InitOk(kFullRuntime);
    void* const waitFrame = Loader().GetFunction("OLVA_WaitFrame");
    ASSERT_NE(waitFrame, nullptr);

    const FailureRow rows[] = {
        {"empty text", "", Thrown::ParseError, "", false},
        {"unterminated object", R"({"olvaruntimepath": "x")", Thrown::ParseError, "", false},
        {"comment after object", R"({"olvaruntimepath": "x"} // note)", Thrown::ParseError, "", false},
        {"top-level array", R"([1, 2])", Thrown::TypeError305, R"([1,2])", false},
        {"top-level string", R"("text")", Thrown::TypeError305, R"("text")", false},
        {"top-level number", "7", Thrown::TypeError305, "7", false},
        {"top-level boolean", "true", Thrown::TypeError305, "true", false},
        {"empty object", "{}", Thrown::PathText, R"({"olvaruntimepath":null})", false},
        {"null text", "null", Thrown::PathText, R"({"olvaruntimepath":null})", false},
        {"path is a number", R"({"olvaruntimepath": 5, "other": 1})", Thrown::PathText,
         R"({"olvaruntimepath":5,"other":1})", false},
        {"path is null", R"({"olvaruntimepath": null})", Thrown::PathText, R"({"olvaruntimepath":null})", false},
        {"path opens nothing", R"({"olvaruntimepath": "/nonexistent/libnothing.so"})", Thrown::DlopenText,
         R"({"olvaruntimepath":"/nonexistent/libnothing.so"})", true},
    };

    std::string previousConfig = Loader().config().dump();
    for (const FailureRow& row : rows) {
        SCOPED_TRACE(row.name);
        void* const handleBefore = Loader().libHandle();
        bool caught = false;
        try {
            Loader().Init(row.config);
        } catch (const nlohmann::json::parse_error&) {
            caught = row.thrown == Thrown::ParseError;
        } catch (const nlohmann::json::type_error& e) {
            caught = row.thrown == Thrown::TypeError305 && e.id == 305 &&
                     std::string(e.what()).find("cannot use operator[] with a string argument with ") !=
                         std::string::npos;
        } catch (const char* text) {
            caught = (row.thrown == Thrown::PathText && std::string(text) == "读取runtimePath路径失败") ||
                     (row.thrown == Thrown::DlopenText && std::string(text) == "dlopen调用失败");
        }
        EXPECT_TRUE(caught);

        const std::string expectedConfig = row.storedConfig.empty() ? previousConfig : row.storedConfig;
        EXPECT_EQ(Loader().config().dump(), expectedConfig);
        EXPECT_EQ(Loader().libHandle(), row.handleNull ? nullptr : handleBefore);
        // The map keeps the earlier library's addresses in every row.
        EXPECT_EQ(Loader().funMap().size(), olva::kEntryPointCount);
        EXPECT_EQ(Loader().GetFunction("OLVA_WaitFrame"), waitFrame);
        EXPECT_EQ(Loader().Dispatch(olva::EntryPoint::OLVA_WaitFrame), waitFrame);
        previousConfig = Loader().config().dump();
    }
}

TEST(Loader, ReinitialisingRefreshesEveryEntryAndLogsEachTime)
{
    testing::internal::CaptureStderr();
    InitOk(kFullRuntime);
    void* const first = Loader().libHandle();
    InitOk(kFullRuntime);
    const std::string log = testing::internal::GetCapturedStderr();

    EXPECT_EQ(Loader().libHandle(), first) << "the same path gives the same module";
    const std::string banner = "I/OLVA: olva_framework Init version 2.0 2023-11-20\n";
    EXPECT_EQ(log, banner + banner);

    // A failing call logs its banner too.
    testing::internal::CaptureStderr();
    EXPECT_ANY_THROW(Loader().Init("{"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), banner);
}

TEST(Loader, APartialRuntimeResolvesWhatItHasAndStoresNullForTheRest)
{
    InitOk(kFullRuntime);
    void* const fullSubmit = Loader().GetFunction("OLVA_SubmitFrame");
    ASSERT_NE(fullSubmit, nullptr);

    InitOk(kPartialRuntime);
    EXPECT_EQ(Loader().funMap().size(), olva::kEntryPointCount);
    EXPECT_NE(Loader().GetFunction("OLVA_WaitFrame"), nullptr);
    EXPECT_EQ(Loader().GetFunction("OLVA_SubmitFrame"), nullptr);
    EXPECT_EQ(Loader().Dispatch(olva::EntryPoint::OLVA_SubmitFrame), nullptr);
    EXPECT_EQ(Loader().GetFunction("OLVA_XrActionManifestPath"), nullptr) << "input entry points are not resolved";
    EXPECT_EQ(Loader().funMap().count("OLVA_XrActionManifestPath"), 0u);

    // Dispatch slots always agree with the map.
    for (std::size_t i = 0; i < g_funVec.size(); ++i) {
        EXPECT_EQ(Loader().Dispatch(static_cast<olva::EntryPoint>(i)), Loader().GetFunction(g_funVec[i])) << g_funVec[i];
    }
}

TEST(Loader, NameTableHoldsEveryEntryPointNameInTableOrder)
{
    const std::vector<std::string> names = {
#define OLVA_ENTRY(ret, name, params, args, absent) #name,
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY
    };
    ASSERT_EQ(names.size(), olva::kEntryPointCount);
    EXPECT_EQ(g_funVec, names);
    // Positions that the runtime interface fixes: a reordered table shows.
    EXPECT_EQ(g_funVec.front(), "OLVA_CreateRenderer");
    EXPECT_EQ(g_funVec[42], "OLVA_CreateRuntime");
    EXPECT_EQ(g_funVec[49], "OLVA_StartXrFeature");
}

}  // namespace
