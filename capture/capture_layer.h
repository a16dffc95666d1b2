// The capture layer's state and its work: opening the real runtime and the
// capture file in OLVA_CreateRuntime, recording the answers to the input
// questions, ending a frame at each OLVA_WaitFrame and the capture at
// OLVA_DestroyRuntime. forwarders.cpp generates the exported functions and
// calls in here.
#pragma once

#include "capture_format.h"
#include "loader/entry_point_index.h"

#include <olva/olva_framework.h>

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <type_traits>

namespace olva::capture {

class Layer {
public:
    static Layer& Instance();

    // The real runtime's function for an entry point; null while none is
    // loaded or when it lacks the function.
    void* Real(EntryPoint entry) const { return m_real[static_cast<std::size_t>(entry)]; }

    // Reads "capture" from the configuration, opens the real runtime and the
    // capture file, then creates the real runtime with the same record. One
    // runtime is recorded at a time: while it lives, another creation is
    // refused; after OLVA_DestroyRuntime the next one starts a new capture.
    // Every failure prints one line on standard error and returns nonzero.
    int32_t CreateRuntime(const OLVA_RuntimeCreateInfo* createInfo, void** runtime);

    // Whether calls with this runtime handle are recorded.
    bool Recording(const void* runtime) const
    {
        return runtime != nullptr && m_runtime.load(std::memory_order_acquire) == runtime;
    }

    void Record(const Key& key, const Answer& answer);
    // Writes the frame that OLVA_WaitFrame ended with its result.
    void EndFrame(int32_t waitResult);
    // Writes the last frame and closes the capture.
    void Finish();

    ~Layer();

private:
    Layer() = default;
    void WriteLine(std::string_view line);
    void CloseLocked();

    std::array<void*, kEntryPointCount> m_real{};
    void* m_library = nullptr;
    std::atomic<void*> m_runtime{nullptr};  // the recorded runtime handle
    std::mutex m_mutex;                     // recorder and file
    FrameRecorder m_recorder;
    int m_fd = -1;
    std::string m_path;
    bool m_creating = false;      // inside the real runtime's OLVA_CreateRuntime
    std::string m_creatingFrom;
};

// What a forwarder answers when the real runtime's function throws, so that
// nothing unwinds into the caller: OLVA_RESULT_RUNTIME_FAILURE, false for
// the boolean function, nothing for the one without a result.
template <typename Ret>
Ret FailureResult()
{
    if constexpr (std::is_same_v<Ret, void>) {
        return;
    } else if constexpr (std::is_same_v<Ret, bool>) {
        return false;
    } else {
        return OLVA_RESULT_RUNTIME_FAILURE;
    }
}

// Records the answer to one question: the result, and the output when the
// runtime wrote it (result 0, or the output changed).
template <typename Out, typename Invoke>
int32_t Observe(void* runtime, const Key& key, Out* out, Invoke&& invoke)
{
    Layer& layer = Layer::Instance();
    if (out == nullptr || !layer.Recording(runtime)) {
        return invoke();
    }
    const Out before = *out;
    const int32_t result = invoke();
    Answer answer;
    answer.result = result;
    answer.written = result == 0 || std::memcmp(&before, out, sizeof(Out)) != 0;
    if (answer.written) {
        if constexpr (std::is_same_v<Out, OLVA_Vector2f>) {
            answer.vector = *out;
        } else {
            answer.value = static_cast<uint64_t>(*out);
        }
    }
    layer.Record(key, answer);
    return result;
}

}  // namespace olva::capture
