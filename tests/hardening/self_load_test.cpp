// A runtime configuration that names the framework library itself, as an
// application linked against the shared library sees it. Every entry point
// would resolve to itself; the library must treat those names as missing
// instead of calling itself for ever.
#include <olva/olva_framework.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

TEST(SelfLoad, ARuntimePathNamingThisLibraryForwardsNothing)
{
    // In a child with an alarm: a library that forwards to itself never
    // returns (the forwarding call is a tail call, so not even the stack
    // runs out).
    EXPECT_EXIT(
        {
            alarm(20);
            const std::string config = std::string(R"({"olvaruntimepath": ")") + OLVA_FRAMEWORK_SO + R"("})";
            const OLVA_RuntimeCreateInfo info = {config.c_str()};
            void* runtime = nullptr;
            const bool created = OLVA_CreateRuntime(&info, &runtime) == OLVA_RESULT_UNSUPPORTED;
            const bool forwarded = OLVA_WaitFrame(&runtime, nullptr) == OLVA_RESULT_UNSUPPORTED &&
                                   !OLVA_SetPerformanceLevels(&runtime, 1, 1);
            std::exit(created && forwarded ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
