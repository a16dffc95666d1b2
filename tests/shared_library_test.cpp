// The library as an application sees it: linked against the shared object,
// through the public header only.
#include "support/fresh_process.h"
#include "support/elf_symbols.h"
#include "support/runtime_fixture.h"

#include "loader/entry_point_index.h"

#include <olva/olva_framework.h>

#include <elf.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

extern "C" int olva_c_caller_wait_frame(void);
extern "C" int olva_c_caller_digital_null_runtime(void);

namespace {


TEST(SharedLibrary, ExportsExactlyTheInterface)
{
    std::set<std::string> expected = {
#define OLVA_ENTRY(ret, name, params, args, absent) #name,
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY
        "OLVA_XrActionManifestPath",
        "OLVA_GetXrActionSetHandle",
        "OLVA_GetXrActionHandle",
        "OLVA_GetXrInputSourceHandle",
        "OLVA_UpdateXrActionState",
        "OLVA_GetXrActionDigitalData",
        "OLVA_GetXrActionAnalogData",
        "_Z16OLVA_Unsupportedv",
        "g_funVec",
#define OLVA_FLAG_NAME_(flag) #flag,
        OLVA_EDGE_FLAGS(OLVA_FLAG_NAME_)
#undef OLVA_FLAG_NAME_
    };
    // Forwarders, input entry points, OLVA_Unsupported, the name table and the
    // edge flags: no name counted twice.
    ASSERT_EQ(expected.size(), olva::kEntryPointCount + 7u + 1u + 1u + 31u);

    std::set<std::string> actual = olva::test::DefinedDynamicSymbols(OLVA_FRAMEWORK_SO);
    // The version node the linker adds for the version script is not a symbol
    // of ours; GNU ld emits none for an anonymous version.
    EXPECT_EQ(actual, expected);
}

TEST(SharedLibrary, ApplicationsCatchTheLoaderExceptionsByType)
{
    const struct {
        std::string config;
        int expected;  // 0 parse_error, 1 type_error, 2 const char*
        std::string text;
    } rows[] = {
        {"{ not json", 0, ""},
        {"[]", 1, ""},
        {"{}", 2, "读取runtimePath路径失败"},
        {R"({"olvaruntimepath": "/nonexistent/lib.so"})", 2, "dlopen调用失败"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.config);
        const OLVA_RuntimeCreateInfo info = {row.config.c_str()};
        void* runtime = nullptr;
        int caught = -1;
        std::string text;
        try {
            OLVA_CreateRuntime(&info, &runtime);
        } catch (const nlohmann::json::parse_error&) {
            caught = 0;
        } catch (const nlohmann::json::type_error& e) {
            caught = e.id == 305 ? 1 : -2;
        } catch (const char* thrown) {
            caught = 2;
            text = thrown;
        }
        EXPECT_EQ(caught, row.expected);
        EXPECT_EQ(text, row.text);
    }
}

// In a process of its own: the first calls find no runtime loaded.
TEST(SharedLibrary, ForwardsThroughTheSharedObjectFromCAndCpp)
{
    olva::test::ExpectInFreshProcess([] {
        EXPECT_EQ(olva_c_caller_wait_frame(), OLVA_RESULT_UNSUPPORTED);
        EXPECT_EQ(olva_c_caller_digital_null_runtime(), OLVA_RESULT_INVALID_RUNTIME);

        const std::string config = olva::test::ConfigFor(olva::test::kFullRuntime);
        const OLVA_RuntimeCreateInfo info = {config.c_str()};
        void* runtime = nullptr;
        ASSERT_EQ(OLVA_CreateRuntime(&info, &runtime), 0);
        EXPECT_NE(runtime, nullptr);
        EXPECT_EQ(olva_c_caller_wait_frame(), 0);
        EXPECT_EQ(OLVA_Unsupported(), OLVA_RESULT_UNSUPPORTED);
    });
}

}  // namespace
