// A forwarded call against a direct call through a function pointer into the
// same runtime function, in one run. The forwarded call, which also stops
// any exception the runtime throws, should stay within 1.3 times the direct
// one.
#include "bench_runtime.h"
#include "runtime/test_runtime.h"

#include <olva/olva_framework.h>

#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void* g_runtime = nullptr;
olva::test::RuntimeState* g_state = nullptr;
using WaitFrameFn = int32_t (*)(void*, void*);
WaitFrameFn g_directWaitFrame = nullptr;

void LoadRuntimeOnce()
{
    if (g_directWaitFrame != nullptr) {
        return;
    }
    g_runtime = olva::bench::TestRuntime();
    void* module = dlopen(OLVA_TEST_RUNTIME_FULL, RTLD_NOW);
    g_directWaitFrame = reinterpret_cast<WaitFrameFn>(dlsym(module, "OLVA_WaitFrame"));
    g_state = reinterpret_cast<olva::test::PFN_olva_test_runtime_state>(dlsym(module, "olva_test_runtime_state"))();
    g_state->recordOnly = true;
}

void BM_DirectCall(benchmark::State& state)
{
    LoadRuntimeOnce();
    WaitFrameFn fn = g_directWaitFrame;
    benchmark::DoNotOptimize(fn);
    for (auto _ : state) {
        benchmark::DoNotOptimize(fn(g_runtime, nullptr));
    }
}
BENCHMARK(BM_DirectCall);

void BM_ForwardedCall(benchmark::State& state)
{
    LoadRuntimeOnce();
    for (auto _ : state) {
        benchmark::DoNotOptimize(OLVA_WaitFrame(g_runtime, nullptr));
    }
}
BENCHMARK(BM_ForwardedCall);

// The longest name in the table: a by-name lookup would allocate here.
void BM_ForwardedCallLongName(benchmark::State& state)
{
    LoadRuntimeOnce();
    for (auto _ : state) {
        benchmark::DoNotOptimize(OLVA_RegisterHandGestureEventCallback(g_runtime, nullptr, nullptr));
    }
}
BENCHMARK(BM_ForwardedCallLongName);

}  // namespace
