// The thread rules of the public header, run under ThreadSanitizer by
// scripts/tsan.sh: the first use of each singleton may race, forwarded calls
// may run on many threads once OLVA_CreateRuntime has returned, and one
// thread may drive the input system while others forward.
#include "input/olva_input.h"
#include "loader/olva_framework.h"
#include "support/fresh_process.h"
#include "support/process_state.h"

#include <olva/olva_framework.h>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 8;
constexpr int kCallsPerThread = 2000;

// Holds every thread back until all have arrived, so that their first calls
// really overlap.
class StartGate {
public:
    explicit StartGate(int parties) : m_waiting(parties) {}
    void ArriveAndWait()
    {
        m_waiting.fetch_sub(1);
        while (m_waiting.load() > 0) {
            std::this_thread::yield();
        }
    }

private:
    std::atomic<int> m_waiting;
};

template <typename Body>
void RunThreads(int count, Body body)
{
    StartGate gate(count);
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i) {
        threads.emplace_back([&gate, &body, i] {
            gate.ArriveAndWait();
            body(i);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

void* CreateConcurrentRuntime()
{
    const std::string config = std::string(R"({"olvaruntimepath": ")") + OLVA_CONCURRENT_RUNTIME + R"("})";
    const OLVA_RuntimeCreateInfo info = {config.c_str()};
    void* runtime = nullptr;
    EXPECT_EQ(OLVA_CreateRuntime(&info, &runtime), 0);
    EXPECT_NE(runtime, nullptr);
    return runtime;
}

// The module's call counter (the dynamic loader hands back the module the
// library opened).
uint64_t CallsOf(olva::EntryPoint entry)
{
    using Counter = uint64_t (*)(uint32_t);
    void* module = dlopen(OLVA_CONCURRENT_RUNTIME, RTLD_NOW);
    const auto counter = module != nullptr ? reinterpret_cast<Counter>(dlsym(module, "olva_concurrent_runtime_calls"))
                                           : nullptr;
    if (counter == nullptr) {
        ADD_FAILURE() << "no call counter in " << OLVA_CONCURRENT_RUNTIME;
        return 0;
    }
    return counter(static_cast<uint32_t>(entry));
}

// In a process of its own: the singletons must not exist before the threads
// start.
TEST(ThreadRules, ThreadsRaceToConstructBothSingletons)
{
    olva::test::ExpectInFreshProcess([] {
        // Each thread's first touch is one of these; every kind of first touch
        // runs on two threads at once.
        enum FirstTouch { ForwardedCall, InputEntryPoint, LoaderAccessor, RegistryAccessor };
        std::vector<int32_t> forwarded(kThreads), input(kThreads);
        std::vector<olva_framework*> loaders(kThreads);
        std::vector<olva_input*> registries(kThreads);

        RunThreads(kThreads, [&](int i) {
            unsigned long handle = 0;
            switch (static_cast<FirstTouch>(i % 4)) {
            case ForwardedCall:
                forwarded[i] = OLVA_WaitFrame(nullptr, nullptr);
                input[i] = OLVA_GetXrActionSetHandle(nullptr, "/actions/demo", &handle);
                break;
            case InputEntryPoint:
                input[i] = OLVA_GetXrActionSetHandle(nullptr, "/actions/demo", &handle);
                forwarded[i] = OLVA_WaitFrame(nullptr, nullptr);
                break;
            case LoaderAccessor:
                loaders[i] = olva_framework::GetInstance();
                forwarded[i] = OLVA_WaitFrame(nullptr, nullptr);
                input[i] = OLVA_GetXrActionSetHandle(nullptr, "/actions/demo", &handle);
                break;
            case RegistryAccessor:
                registries[i] = olva_input::getInstance();
                input[i] = OLVA_GetXrActionSetHandle(nullptr, "/actions/demo", &handle);
                forwarded[i] = OLVA_WaitFrame(nullptr, nullptr);
                break;
            }
            loaders[i] = olva_framework::GetInstance();
            registries[i] = olva_input::getInstance();
        });

        for (int i = 0; i < kThreads; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(forwarded[i], OLVA_RESULT_UNSUPPORTED);  // no runtime loaded
            EXPECT_EQ(input[i], OLVA_RESULT_INVALID_RUNTIME);
            EXPECT_EQ(loaders[i], loaders[0]);
            EXPECT_EQ(registries[i], registries[0]);
        }
    });
}

TEST(ThreadRules, ForwardedCallsRunOnManyThreadsAfterCreateRuntime)
{
    void* runtime = CreateConcurrentRuntime();
    // The module counts calls for the life of the process.
    using olva::EntryPoint;
    const EntryPoint counted[] = {EntryPoint::OLVA_WaitFrame,           EntryPoint::OLVA_GetSupportedDevices,
                                  EntryPoint::OLVA_GetPoseState,        EntryPoint::OLVA_SetPerformanceLevels,
                                  EntryPoint::OLVA_StartXrFeature,      EntryPoint::OLVA_GetSupportedXrFeatures,
                                  EntryPoint::OLVA_ReleaseControllerModelData};
    std::vector<uint64_t> before;
    for (EntryPoint entry : counted) {
        before.push_back(CallsOf(entry));
    }
    std::atomic<int> failures{0};

    RunThreads(kThreads, [&](int) {
        for (int n = 0; n < kCallsPerThread; ++n) {
            uint64_t mask = 0;
            void* feature = nullptr;
            const OLVA_XrFeatureStartInfo anySupported = {1, OLVA_XR_FEATURE_ANY_SUPPORTED, nullptr};
            const bool ok = OLVA_WaitFrame(runtime, nullptr) == 0 &&
                            OLVA_GetSupportedDevices(runtime, &mask) == 0 && mask != 0 &&
                            OLVA_GetPoseState(runtime, OLVA_DEVICE_TYPE_LEFT_CONTROLLER, nullptr, nullptr) == 0 &&
                            !OLVA_SetPerformanceLevels(runtime, 1, 1) &&
                            OLVA_StartXrFeature(runtime, &anySupported, &feature) == 0;
            OLVA_ReleaseControllerModelData(runtime, nullptr);
            if (!ok) {
                failures.fetch_add(1);
            }
        }
    });

    EXPECT_EQ(failures.load(), 0);
    const uint64_t total = static_cast<uint64_t>(kThreads) * kCallsPerThread;
    for (std::size_t i = 0; i < std::size(counted); ++i) {
        SCOPED_TRACE(static_cast<int>(counted[i]));
        EXPECT_EQ(CallsOf(counted[i]) - before[i], total);
    }
}

TEST(ThreadRules, OneThreadDrivesTheInputSystemWhileOthersForward)
{
    // The registry and the edge flags as a fresh process has them (a scope,
    // not a fixture: the race test above must not construct the singletons
    // before its threads do).
    const olva::test::ProcessStateScope processState;
    // The input entry points stay on one thread (they share the registry);
    // they reach the runtime through the same forwarding entry points that
    // the other threads are calling at the same time.
    std::string directory = (std::filesystem::temp_directory_path() / "olva_threads.XXXXXX").string();
    ASSERT_NE(mkdtemp(directory.data()), nullptr);
    std::ofstream(directory + "/binding.json") << R"({"bindings": {"/actions/main": {"sources": [
        {"path": "/user/hand/right/input/trigger", "mode": "button", "inputs": {"click": {"output": "fire"}}},
        {"path": "/user/hand/left/input/joystick", "mode": "joystick", "inputs": {"position": {"output": "move"}}}
    ]}}})";
    std::ofstream(directory + "/manifest.json") << R"({
        "default_bindings": [{"controller_type": "OLVA_JoyStick", "binding_url": "binding.json"}],
        "action_sets": [{"name": "/actions/main", "usage": "leftright"}],
        "actions": [{"name": "fire", "type": "boolean"}, {"name": "move", "type": "vector2"}]})";
    const std::string manifest = directory + "/manifest.json";

    void* runtime = CreateConcurrentRuntime();
    constexpr int kFrames = 300;
    std::atomic<bool> inputDone{false};
    std::atomic<int> forwardingFailures{0};
    int32_t loaded = -1;
    int failedFrames = 0;
    int pressedFrames = 0;
    int changedFrames = 0;
    float lastMoveX = 0.0f;

    RunThreads(kThreads, [&](int i) {
        if (i != 0) {
            while (!inputDone.load()) {
                uint32_t connected = 0;
                if (OLVA_WaitFrame(runtime, nullptr) != 0 ||
                    OLVA_IsDeviceConnected(runtime, OLVA_DEVICE_TYPE_LEFT_CONTROLLER, &connected) != 0 ||
                    connected != 1) {
                    forwardingFailures.fetch_add(1);
                }
            }
            return;
        }
        loaded = OLVA_XrActionManifestPath(runtime, manifest.c_str());
        unsigned long fire = 0;
        unsigned long move = 0;
        OLVA_GetXrActionHandle(runtime, "fire", &fire);
        OLVA_GetXrActionHandle(runtime, "move", &move);
        for (int frame = 0; frame < kFrames; ++frame) {
            OLVA_XrInputDigitalActionData digital = {};
            OLVA_XrInputAnalogActionData analog = {};
            if (OLVA_UpdateXrActionState(runtime, nullptr, 0, 0) != 0 ||
                OLVA_GetXrActionDigitalData(runtime, fire, &digital, 0, 0) != 0 ||
                OLVA_GetXrActionAnalogData(runtime, move, &analog, 0, 0) != 0) {
                ++failedFrames;
                continue;
            }
            pressedFrames += digital.currentState;
            changedFrames += digital.changedSinceLastSync;
            lastMoveX = analog.x;
        }
        inputDone.store(true);
    });
    std::filesystem::remove_all(directory);

    EXPECT_EQ(loaded, 0);
    EXPECT_EQ(failedFrames, 0);
    EXPECT_EQ(forwardingFailures.load(), 0);
    // The runtime presses every button on alternate frames.
    EXPECT_EQ(pressedFrames, kFrames / 2);
    EXPECT_GT(changedFrames, kFrames / 2);
    EXPECT_EQ(lastMoveX, 0.5f);
}

}  // namespace
