// Process-wide state that tests change, and the means to give every test the
// same start whatever ran before it in the same process:
//
// - the 31 edge flags (exported globals shared by every action);
// - the olva_input registry singleton (maps, documents, controller table,
//   build flag and the cached controller-table pointers);
// - the control blocks of the test runtime modules that are loaded.
//
// The loader singleton cannot be put back: its map only grows and its library
// handle stays. A test that needs a runtime creates one (which rewrites every
// entry); a test that needs the loader as no call has left it runs its body in
// a fresh process (OLVA_EXPECT_IN_FRESH_PROCESS).
#pragma once

#include "input/olva_input.h"
#include "support/edge_flags.h"
#include "support/runtime_fixture.h"

#include <gtest/gtest.h>

#include <new>

namespace olva::test {

// Puts the registry singleton back to its state right after construction. The
// object is destroyed and constructed again in place, so a member added later
// is reset too. Records stay in their pools: handles issued earlier still
// point to live memory, but nothing registered refers to them any more.
inline void ResetRegistry()
{
    olva_input* input = olva_input::getInstance();
    input->~olva_input();
    new (input) olva_input();
}

// Zeroes the control block of every test runtime module that is loaded now;
// loads none that is not.
inline void ResetLoadedTestRuntimes()
{
    for (const char* path : {kFullRuntime, kRuntimeWithoutCreate, kRuntimeWithoutFeatures, kPartialRuntime}) {
        void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
        if (handle == nullptr) {
            continue;
        }
        auto get = reinterpret_cast<PFN_olva_test_runtime_state>(dlsym(handle, "olva_test_runtime_state"));
        if (get != nullptr) {
            *get() = RuntimeState{};
        }
        dlclose(handle);
    }
}

inline void ResetProcessState()
{
    ClearEdgeFlags();
    ResetRegistry();
    ResetLoadedTestRuntimes();
}

// Resets the process state when it is created and again when it goes out of
// scope: whatever ran before starts nothing off, whatever runs after finds
// nothing left behind.
class ProcessStateScope {
public:
    ProcessStateScope() { ResetProcessState(); }
    ~ProcessStateScope() { ResetProcessState(); }
    ProcessStateScope(const ProcessStateScope&) = delete;
    ProcessStateScope& operator=(const ProcessStateScope&) = delete;
};

// Base of every fixture whose tests touch the singletons, the edge flags or a
// test runtime: each test starts from, and leaves behind, cleared flags, an
// empty registry and zeroed control blocks. A member (not SetUp and TearDown)
// so that a derived fixture's own constructor already sees the reset state.
class ProcessStateTest : public testing::Test {
private:
    ProcessStateScope m_processState;
};

}  // namespace olva::test
