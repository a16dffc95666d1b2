// Running part of a test in a process of its own, for what a test binary that
// runs many tests cannot otherwise see: the library before any runtime was
// created, the singletons before their first use, behaviour at exit.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace olva::test {

// In the child: writes the current test's failures to stderr, which the parent
// shows (gtest keeps a death-test child's own result output quiet), and ends
// the process with 1 if there were any, else 0.
[[noreturn]] inline void ExitWithFailuresReported()
{
    const testing::TestResult* result = testing::UnitTest::GetInstance()->current_test_info()->result();
    for (int i = 0; i < result->total_part_count(); ++i) {
        const testing::TestPartResult& part = result->GetTestPartResult(i);
        if (part.failed()) {
            std::fprintf(stderr, "%s:%d: Failure in the child process\n%s\n",
                         part.file_name() != nullptr ? part.file_name() : "?", part.line_number(), part.message());
        }
    }
    std::fflush(stderr);
    std::exit(testing::Test::HasFailure() ? 1 : 0);
}

// Runs body in a new process started from this test binary and expects it to
// exit with 0. gtest's "threadsafe" death-test style executes the binary again
// for this one test, so the child starts with the library untouched. The child
// repeats the test from its beginning up to this call: call it first, in a test
// that touches the library nowhere else and has no fixture that does. A failed
// expectation in body makes the child exit with 1 and its message is shown;
// body may also end the process itself to test exit-time behaviour.
inline void ExpectInFreshProcess(const std::function<void()>& body)
{
#ifdef OLVA_TESTS_UNDER_EMULATOR
    // An emulated program cannot execute itself again (the host does not run
    // the target's binaries), so the child is forked instead. ctest runs each
    // test in a process of its own, so the fork still starts untouched there.
    GTEST_FLAG_SET(death_test_style, "fast");
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // gtest restores its flags after each test
#endif
    EXPECT_EXIT(
        {
            body();
            ExitWithFailuresReported();
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace olva::test
