// Shared helpers for tests that drive the library through a test runtime.
#pragma once

#include "runtime/test_runtime.h"

#include <olva/olva_framework.h>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

namespace olva::test {

// Paths of the test runtime modules, set by the build.
inline const char* const kFullRuntime = OLVA_TEST_RUNTIME_FULL;
inline const char* const kRuntimeWithoutCreate = OLVA_TEST_RUNTIME_NO_CREATE;
inline const char* const kRuntimeWithoutFeatures = OLVA_TEST_RUNTIME_NO_FEATURES;
inline const char* const kPartialRuntime = OLVA_TEST_RUNTIME_PARTIAL;

inline std::string ConfigFor(const std::string& runtimePath)
{
    return R"({"olvaruntimepath": ")" + runtimePath + R"("})";
}

// The control block of a test runtime module (opened again here; the dynamic
// loader hands back the module the library opened).
inline RuntimeState* StateOf(const char* runtimePath)
{
    void* handle = dlopen(runtimePath, RTLD_NOW);
    if (handle == nullptr) {
        ADD_FAILURE() << "cannot open " << runtimePath << ": " << dlerror();
        return nullptr;
    }
    auto get = reinterpret_cast<PFN_olva_test_runtime_state>(dlsym(handle, "olva_test_runtime_state"));
    return get != nullptr ? get() : nullptr;
}

// Creates the runtime through the library's OLVA_CreateRuntime and resets the
// module's control block. Returns the runtime handle the module gave out.
inline void* CreateRuntime(const char* runtimePath = kFullRuntime)
{
    RuntimeState* state = StateOf(runtimePath);
    if (state != nullptr) {
        *state = RuntimeState{};
    }
    const std::string config = ConfigFor(runtimePath);
    const OLVA_RuntimeCreateInfo info = {config.c_str()};
    void* runtime = nullptr;
    EXPECT_EQ(OLVA_CreateRuntime(&info, &runtime), 0);
    if (state != nullptr) {
        *state = RuntimeState{};  // forget the creation call itself
    }
    return runtime;
}

}  // namespace olva::test
