// Control block of the test runtime library: a loadable module that exports
// every runtime function of the entry point table, records every call and answers what the test
// set. Tests reach it with dlopen on the same path the library opens (the
// dynamic loader hands back the same module) and dlsym of
// "olva_test_runtime_state".
#pragma once

#include "loader/entry_point_index.h"

#include <olva/olva_framework.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace olva::test {

inline constexpr std::size_t kMaxArgs = 5;
inline constexpr std::size_t kMaxDeviceType = 16;
inline constexpr std::size_t kMaxInputId = 16;
inline constexpr std::size_t kCallLogCapacity = 1024;

struct RuntimeCall {
    uint32_t entry;            // olva::EntryPoint index
    uint64_t args[kMaxArgs];   // each argument's bits, zero-extended
};

struct RuntimeDevice {
    uint64_t inputType = 0;         // written by OLVA_GetSupportedDeviceInputType
    bool writesInputType = true;    // false: leave the caller's value alone
    uint32_t connected = 0;         // OLVA_IsDeviceConnected
    uint64_t clickStates = 0;       // OLVA_GetInputClickStates
    uint64_t touchStates = 0;       // OLVA_GetInputTouchStates
    uint64_t idConfiguration[kMaxInputId] = {};  // OLVA_GetInputIdConfiguration
    int32_t idConfigurationResult[kMaxInputId] = {};
    OLVA_Vector2f analog[kMaxInputId] = {};      // OLVA_GetInputAnalogState
    int32_t analogResult[kMaxInputId] = {};
    bool writesAnalog[kMaxInputId] = {};         // false: leave the vector alone
};

struct RuntimeState {
    int64_t results[kEntryPointCount] = {};  // returned by each function (converted)
    uint32_t calls[kEntryPointCount] = {};   // how often each function was called
    uint64_t lastArgs[kEntryPointCount][kMaxArgs] = {};
    RuntimeCall log[kCallLogCapacity] = {};
    uint32_t logSize = 0;           // stops growing at capacity
    uint64_t supportedDevices = 0;  // OLVA_GetSupportedDevices
    uint64_t xrFeatures = 0;        // OLVA_GetSupportedXrFeatures
    OLVA_XrFeatureStartInfo lastStartInfo = {};  // copy of what OLVA_StartXrFeature received
    RuntimeDevice devices[kMaxDeviceType];
    bool recordOnly = false;  // record and return, write through no pointer
    bool throws[kEntryPointCount] = {};  // throw std::runtime_error instead of answering
};

using PFN_olva_test_runtime_state = RuntimeState* (*)();
// Calls the runtime's own exported OLVA_WaitFrame from inside the runtime and
// returns its result: with the runtime linked -Bsymbolic, the call reaches
// the runtime itself even where libolva_framework is loaded.
using PFN_olva_test_runtime_wait_frame_from_inside = int32_t (*)(void* runtime);

// An argument's bits as the runtime records them: pointers by address,
// integers zero-extended from their own width, floats by representation.
template <typename T>
uint64_t ArgBits(T value)
{
    if constexpr (std::is_pointer_v<T>) {
        return reinterpret_cast<uintptr_t>(value);
    } else if constexpr (std::is_floating_point_v<T>) {
        uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof value);
        return bits;
    } else {
        return static_cast<uint64_t>(static_cast<std::make_unsigned_t<T>>(value));
    }
}

}  // namespace olva::test
