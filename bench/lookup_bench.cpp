// How loading a manifest and the first lookup of each of its actions scale
// with the number of actions. Both should grow close to linearly; the
// complexity line of each benchmark shows the fitted order.
#include "bench_runtime.h"
#include "input/olva_input.h"

#include <olva/olva_framework.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

std::string ActionName(int i) { return "/actions/big/in/action_" + std::to_string(i); }

// A manifest declaring count boolean actions and one binding file for
// them, in a folder of its own; returns the manifest's path.
std::string WriteManifest(int count)
{
    char folder[] = "/tmp/olva_lookup_bench_XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    const std::string manifestPath = std::string(folder) + "/manifest.json";
    std::ofstream manifest(manifestPath);
    manifest << R"({"default_bindings": [{"controller_type": "OLVA_JoyStick", "binding_url": "bindings.json"}],)"
             << R"("action_sets": [{"name": "/actions/big", "usage": "leftright"}], "actions": [)";
    for (int i = 0; i < count; ++i) {
        manifest << (i == 0 ? "" : ",") << R"({"name": ")" << ActionName(i) << R"(", "type": "boolean"})";
    }
    manifest << "]}";
    std::ofstream(std::string(folder) + "/bindings.json") << R"({"bindings": {"/actions/big": {"sources": []}}})";
    return manifestPath;
}

void BM_ManifestLoad(benchmark::State& state)
{
    void* const runtime = olva::bench::TestRuntime();
    const std::string path = WriteManifest(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        olva_input input;
        benchmark::DoNotOptimize(input.OLVA_XrActionManifestPath(runtime, path.c_str()));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ManifestLoad)->Arg(1000)->Arg(2500)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The first lookup of every declared action, which creates its record.
// Records are never released, so the iterations are kept few.
void BM_FirstLookupOfEveryAction(benchmark::State& state)
{
    void* const runtime = olva::bench::TestRuntime();
    const int count = static_cast<int>(state.range(0));
    const std::string path = WriteManifest(count);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.push_back(ActionName(i));
    }
    for (auto _ : state) {
        state.PauseTiming();
        olva_input input;
        input.OLVA_XrActionManifestPath(runtime, path.c_str());
        state.ResumeTiming();
        for (const std::string& name : names) {
            unsigned long handle = 0;
            input.OLVA_GetXrActionHandle(runtime, name.c_str(), &handle);
            benchmark::DoNotOptimize(handle);
        }
    }
    state.SetComplexityN(count);
}
BENCHMARK(BM_FirstLookupOfEveryAction)->Arg(1000)->Arg(2500)->Arg(5000)->Arg(10000)->Iterations(5)
    ->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
