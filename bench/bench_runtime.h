// The test runtime, created once per benchmark program through the
// library's OLVA_CreateRuntime.
#pragma once

#include <olva/olva_framework.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace olva::bench {

// The runtime handle the test runtime gave out; exits the program when the
// runtime cannot be created, since no benchmark would mean anything then.
inline void* TestRuntime()
{
    static void* const runtime = [] {
        const std::string config = std::string(R"({"olvaruntimepath": ")") + OLVA_TEST_RUNTIME_FULL + R"("})";
        const OLVA_RuntimeCreateInfo info = {config.c_str()};
        void* created = nullptr;
        if (OLVA_CreateRuntime(&info, &created) != 0) {
            std::fprintf(stderr, "cannot create the test runtime %s\n", OLVA_TEST_RUNTIME_FULL);
            std::exit(1);
        }
        return created;
    }();
    return runtime;
}

}  // namespace olva::bench
