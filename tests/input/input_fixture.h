// Shared helpers of the loading tests: fixture paths, a runtime whose
// controllers the test sets, and a copy of the registry's state to compare.
#pragma once

#include "input/olva_input.h"
#include "support/process_state.h"
#include "support/runtime_fixture.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace olva::test {

inline std::string DataPath(const std::string& relative) { return std::string(OLVA_INPUT_DATA_DIR) + "/" + relative; }

// Device bits and input types the test runtime reports.
struct Controllers {
    uint64_t left = 0;     // device 4; 0: not reported
    uint64_t right = 0;    // device 3
    uint64_t gamepad = 0;  // device 13
};

inline void Report(RuntimeState* state, const Controllers& controllers)
{
    state->supportedDevices = 0;
    const std::pair<int, uint64_t> devices[] = {{OLVA_DEVICE_TYPE_LEFT_CONTROLLER, controllers.left},
                                                {OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, controllers.right},
                                                {OLVA_DEVICE_TYPE_GAMEPAD, controllers.gamepad}};
    for (const auto& [device, inputType] : devices) {
        if (inputType != 0) {
            state->supportedDevices |= uint64_t{1} << device;
            state->devices[device].inputType = inputType;
        }
    }
}

// Everything a manifest load may change, by value (records by address).
struct RegistryState {
    std::map<std::string, OLVA_XrAction*, std::less<>> actions;
    std::map<std::string, OLVA_XrActionSet*, std::less<>> actionSets;
    std::map<std::string, OLVA_XrInputValue*, std::less<>> inputValues;
    bool built = false;
    Json::Value manifest;
    Json::Value bindings;
    std::map<OLVA_DeviceType, OLVA_Device_InputType> deviceInputTypes;

    static RegistryState Of(const olva_input& input)
    {
        return RegistryState{input.m_actionMap,       input.m_actionSetMap, input.m_inputValueMap,
                             input.m_actionSetsBuilt, input.m_manifest,     input.m_bindings,
                             input.m_deviceInputTypes};
    }
    bool operator==(const RegistryState& other) const
    {
        return actions == other.actions && actionSets == other.actionSets && inputValues == other.inputValues &&
               built == other.built && manifest == other.manifest && bindings == other.bindings &&
               deviceInputTypes == other.deviceInputTypes;
    }
};

template <typename Record>
Record* RecordOf(unsigned long handle)
{
    return reinterpret_cast<Record*>(handle);
}

}  // namespace olva::test
