// The test runtime library. Every function records its call and arguments and
// returns the result the test set; the few the input system relies on also
// write their outputs from the device state the test set.
#include "runtime/test_runtime.h"

#include "loader/entry_point_index.h"

#include <cstring>
#include <stdexcept>
#include <type_traits>

using olva::EntryPoint;
using olva::test::RuntimeState;

namespace {

RuntimeState g_state;

template <typename... Args>
void Record(EntryPoint entry, Args... args)
{
    const auto index = static_cast<std::size_t>(entry);
    const uint64_t bits[olva::test::kMaxArgs + 1] = {olva::test::ArgBits(args)...};
    g_state.calls[index]++;
    std::memcpy(g_state.lastArgs[index], bits, sizeof(uint64_t) * sizeof...(Args));
    if (g_state.logSize < olva::test::kCallLogCapacity) {
        olva::test::RuntimeCall& call = g_state.log[g_state.logSize++];
        call.entry = static_cast<uint32_t>(index);
        std::memcpy(call.args, bits, sizeof(uint64_t) * sizeof...(Args));
    }
}

olva::test::RuntimeDevice* Device(OLVA_DeviceType device)
{
    if (device < 0 || static_cast<std::size_t>(device) >= olva::test::kMaxDeviceType) {
        return nullptr;
    }
    return &g_state.devices[device];
}

bool ValidId(uint32_t id) { return id < olva::test::kMaxInputId; }

// What a function does besides recording. The result it returns may be
// replaced (per input id for the analog calls).
template <EntryPoint entry>
struct Behaviour {
    template <typename... Args>
    static void Apply(int64_t&, Args...)
    {
    }
};

template <>
struct Behaviour<EntryPoint::OLVA_CreateRuntime> {
    static void Apply(int64_t&, const OLVA_RuntimeCreateInfo*, void** runtime)
    {
        if (runtime != nullptr) {
            *runtime = &g_state;
        }
    }
};

template <>
struct Behaviour<EntryPoint::OLVA_GetSupportedDevices> {
    static void Apply(int64_t&, void*, uint64_t* mask) { *mask = g_state.supportedDevices; }
};

template <>
struct Behaviour<EntryPoint::OLVA_GetSupportedDeviceInputType> {
    static void Apply(int64_t&, void*, OLVA_DeviceType device, uint64_t* inputType)
    {
        if (auto* d = Device(device); d != nullptr && d->writesInputType) {
            *inputType = d->inputType;
        }
    }
};

template <>
struct Behaviour<EntryPoint::OLVA_IsDeviceConnected> {
    static void Apply(int64_t&, void*, OLVA_DeviceType device, uint32_t* connected)
    {
        if (auto* d = Device(device)) {
            *connected = d->connected;
        }
    }
};

template <>
struct Behaviour<EntryPoint::OLVA_GetInputClickStates> {
    static void Apply(int64_t&, void*, OLVA_DeviceType device, OLVA_Device_InputType, uint64_t* states)
    {
        if (auto* d = Device(device)) {
            *states = d->clickStates;
        }
    }
};

template <>
struct Behaviour<EntryPoint::OLVA_GetInputTouchStates> {
    static void Apply(int64_t&, void*, OLVA_DeviceType device, OLVA_Device_InputType, uint64_t* states)
    {
        if (auto* d = Device(device)) {
            *states = d->touchStates;
        }
    }
};

template <>
struct Behaviour<EntryPoint::OLVA_GetInputIdConfiguration> {
    static void Apply(int64_t& result, void*, OLVA_DeviceType device, OLVA_Device_InputType, uint32_t id,
                      uint64_t* configuration)
    {
        if (auto* d = Device(device); d != nullptr && ValidId(id)) {
            result = d->idConfigurationResult[id];
            if (result == 0) {
                *configuration = d->idConfiguration[id];
            }
        }
    }
};

template <>
struct Behaviour<EntryPoint::OLVA_GetInputAnalogState> {
    static void Apply(int64_t& result, void*, OLVA_DeviceType device, OLVA_Device_InputType, uint32_t id,
                      OLVA_Vector2f* value)
    {
        if (auto* d = Device(device); d != nullptr && ValidId(id)) {
            result = d->analogResult[id];
            if (d->writesAnalog[id]) {
                *value = d->analog[id];
            }
        }
    }
};

template <>
struct Behaviour<EntryPoint::OLVA_GetSupportedXrFeatures> {
    static void Apply(int64_t&, void*, uint64_t* mask) { *mask = g_state.xrFeatures; }
};

template <>
struct Behaviour<EntryPoint::OLVA_StartXrFeature> {
    static void Apply(int64_t&, void*, const OLVA_XrFeatureStartInfo* info, void**)
    {
        g_state.lastStartInfo = *info;
    }
};

template <typename Ret>
Ret ResultAs(int64_t result)
{
    if constexpr (std::is_void_v<Ret>) {
        return;
    } else if constexpr (std::is_same_v<Ret, bool>) {
        return result != 0;
    } else {
        return static_cast<Ret>(result);
    }
}

template <typename Ret, EntryPoint entry, typename... Args>
Ret Answer(Args... args)
{
    Record(entry, args...);
    if (g_state.throws[static_cast<std::size_t>(entry)]) {
        throw std::runtime_error("test runtime told to throw");
    }
    int64_t result = g_state.results[static_cast<std::size_t>(entry)];
    if (!g_state.recordOnly) {
        Behaviour<entry>::Apply(result, args...);
    }
    return ResultAs<Ret>(result);
}

}  // namespace

#define OLVA_TEST_UNPACK(...) __VA_ARGS__

extern "C" {

#define OLVA_ENTRY(ret, name, params, args, absent) \
    ret name params { return Answer<ret, EntryPoint::name>(OLVA_TEST_UNPACK args); }
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY

__attribute__((visibility("default"))) RuntimeState* olva_test_runtime_state()
{
    return &g_state;
}

__attribute__((visibility("default"))) int32_t olva_test_runtime_wait_frame_from_inside(void* runtime)
{
    return OLVA_WaitFrame(runtime, nullptr);
}

}  // extern "C"
