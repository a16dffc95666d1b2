// A runtime library that may be called from several threads at once: every
// function counts its calls atomically and answers success. The few the input
// system reads report two joystick controllers (left and right) that are
// connected, with every button pressed on one frame and released on the
// next (two click polls, left and right, make a frame).
//
// The recording test runtime keeps unsynchronised call logs, which is right
// for single-threaded tests but would itself be a data race here.
#include "loader/entry_point_index.h"

#include <atomic>
#include <cstdint>
#include <type_traits>

using olva::EntryPoint;

namespace {

std::atomic<uint64_t> g_calls[olva::kEntryPointCount];
std::atomic<uint64_t> g_polls{0};
int g_runtimeObject;

template <EntryPoint entry>
struct Behaviour {
    template <typename... Args>
    static void Apply(Args...)
    {
    }
};

template <>
struct Behaviour<EntryPoint::OLVA_CreateRuntime> {
    static void Apply(const OLVA_RuntimeCreateInfo*, void** runtime) { *runtime = &g_runtimeObject; }
};

template <>
struct Behaviour<EntryPoint::OLVA_GetSupportedDevices> {
    static void Apply(void*, uint64_t* mask) { *mask = (1ull << OLVA_DEVICE_TYPE_LEFT_CONTROLLER) |
                                                       (1ull << OLVA_DEVICE_TYPE_RIGHT_CONTROLLER); }
};

template <>
struct Behaviour<EntryPoint::OLVA_GetSupportedDeviceInputType> {
    static void Apply(void*, OLVA_DeviceType, uint64_t* inputType) { *inputType = OLVA_INPUT_TYPE_JOYSTICK; }
};

template <>
struct Behaviour<EntryPoint::OLVA_IsDeviceConnected> {
    static void Apply(void*, OLVA_DeviceType, uint32_t* connected) { *connected = 1; }
};

template <>
struct Behaviour<EntryPoint::OLVA_GetInputClickStates> {
    static void Apply(void*, OLVA_DeviceType, OLVA_Device_InputType, uint64_t* states)
    {
        *states = (g_polls.fetch_add(1, std::memory_order_relaxed) / 2) % 2 == 0 ? ~0ull : 0;
    }
};

template <>
struct Behaviour<EntryPoint::OLVA_GetInputTouchStates> {
    static void Apply(void*, OLVA_DeviceType, OLVA_Device_InputType, uint64_t* states) { *states = 0; }
};

template <>
struct Behaviour<EntryPoint::OLVA_GetInputIdConfiguration> {
    static void Apply(void*, OLVA_DeviceType, OLVA_Device_InputType, uint32_t, uint64_t* configuration)
    {
        *configuration = 0xFF;  // every analog input configured
    }
};

template <>
struct Behaviour<EntryPoint::OLVA_GetInputAnalogState> {
    static void Apply(void*, OLVA_DeviceType, OLVA_Device_InputType, uint32_t, OLVA_Vector2f* value)
    {
        *value = {0.5f, -0.25f};
    }
};

template <>
struct Behaviour<EntryPoint::OLVA_GetSupportedXrFeatures> {
    static void Apply(void*, uint64_t* mask) { *mask = OLVA_XR_FEATURE_SUBSTITUTE; }
};

template <typename Ret, EntryPoint entry, typename... Args>
Ret Answer(Args... args)
{
    g_calls[static_cast<std::size_t>(entry)].fetch_add(1, std::memory_order_relaxed);
    Behaviour<entry>::Apply(args...);
    if constexpr (!std::is_void_v<Ret>) {
        return Ret{};
    }
}

}  // namespace

#define OLVA_CONCURRENT_UNPACK(...) __VA_ARGS__

extern "C" {

#define OLVA_ENTRY(ret, name, params, args, absent) \
    ret name params { return Answer<ret, EntryPoint::name>(OLVA_CONCURRENT_UNPACK args); }
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY

// How often the function with this table index was called.
__attribute__((visibility("default"))) uint64_t olva_concurrent_runtime_calls(uint32_t index)
{
    return index < olva::kEntryPointCount ? g_calls[index].load() : 0;
}

}  // extern "C"
