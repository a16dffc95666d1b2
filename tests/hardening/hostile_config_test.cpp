// Hostile runtime configuration texts through OLVA_CreateRuntime: nesting
// deep enough to exhaust a recursive parser, numbers beyond double range
// (found by fuzzing), and what each leaves behind.
#include "support/runtime_fixture.h"

#include "loader/olva_framework.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using olva::test::ConfigFor;
using olva::test::kFullRuntime;

enum class Outcome { Created, ParseError, TypeError305, PathText, DlopenText, Other };

Outcome Create(const std::string& config)
{
    const OLVA_RuntimeCreateInfo info = {config.c_str()};
    void* runtime = nullptr;
    try {
        return OLVA_CreateRuntime(&info, &runtime) == 0 ? Outcome::Created : Outcome::Other;
    } catch (const nlohmann::json::parse_error&) {
        return Outcome::ParseError;
    } catch (const nlohmann::json::type_error& e) {
        return e.id == 305 ? Outcome::TypeError305 : Outcome::Other;
    } catch (const char* text) {
        const std::string thrown(text);
        if (thrown == "读取runtimePath路径失败") {
            return Outcome::PathText;
        }
        return thrown == "dlopen调用失败" ? Outcome::DlopenText : Outcome::Other;
    } catch (...) {
        return Outcome::Other;
    }
}

std::string Nested(std::size_t depth, bool closed)
{
    std::string text(depth, '[');
    if (closed) {
        text.append(depth, ']');
    }
    return text;
}

std::string NestedObjects(std::size_t depth)
{
    std::string text;
    text.reserve(depth * 6 + 1);
    for (std::size_t i = 0; i < depth; ++i) {
        text += R"({"a":)";
    }
    text += "1";
    text.append(depth, '}');
    return text;
}

// Far beyond what a recursive descent parser survives on an 8 MiB stack.
constexpr std::size_t kDeep = 200000;

TEST(HostileConfig, VeryDeepNestingIsParsedWithoutRecursion)
{
    // The parser keeps its own stack and the value is destroyed without
    // recursion, so depth costs memory, never the call stack.
    const std::string runtime = ConfigFor(kFullRuntime);
    const std::string withDeepMember = runtime.substr(0, runtime.size() - 1) + R"(, "deep": )" + Nested(kDeep, true) + "}";
    const std::string withDeepObjects = runtime.substr(0, runtime.size() - 1) + R"(, "deep": )" + NestedObjects(kDeep) + "}";
    const struct {
        const char* name;
        std::string config;
        Outcome outcome;
    } rows[] = {
        {"valid configuration with a deep member", withDeepMember, Outcome::Created},
        {"valid configuration with deep objects", withDeepObjects, Outcome::Created},
        {"deep array at the top", Nested(kDeep, true), Outcome::TypeError305},
        {"unterminated deep array", Nested(kDeep, false), Outcome::ParseError},
        {"deep value in the path", R"({"olvaruntimepath": )" + Nested(kDeep, true) + "}", Outcome::PathText},
        // Replaces the deep configuration stored before: freeing it must not
        // recurse either.
        {"plain configuration afterwards", runtime, Outcome::Created},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Create(row.config), row.outcome);
    }
}

TEST(HostileConfig, NumberBeyondDoubleRangeIsAParseErrorThatChangesNothing)
{
    olva::test::CreateRuntime();
    const olva_framework& loader = *olva_framework::GetInstance();
    const nlohmann::json configBefore = loader.config();
    void* const handleBefore = loader.libHandle();

    const std::string runtime = ConfigFor(kFullRuntime);
    for (const std::string& config : {
             runtime.substr(0, runtime.size() - 1) + R"(, "n": 1e400})",
             std::string(R"({"olvaruntimepath": -1e999})"),
             std::string("1e400-0.0e"),  // the input that found it
         }) {
        SCOPED_TRACE(config);
        EXPECT_EQ(Create(config), Outcome::ParseError);
        EXPECT_EQ(loader.config(), configBefore);
        EXPECT_EQ(loader.libHandle(), handleBefore);
    }
}

}  // namespace
