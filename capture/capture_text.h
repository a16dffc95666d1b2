// Pieces of the capture text that the writer and the reader share: the
// letter of each call, how many arguments its key carries, float bits.
#pragma once

#include "capture_format.h"

#include <cstring>

namespace olva::capture::text {

inline constexpr char kLetters[kCallCount] = {'S', 'I', 'C', 'B', 'T', 'G', 'A'};
inline constexpr std::string_view kNames[kCallCount] = {
    "OLVA_GetSupportedDevices", "OLVA_GetSupportedDeviceInputType", "OLVA_IsDeviceConnected",
    "OLVA_GetInputClickStates", "OLVA_GetInputTouchStates",         "OLVA_GetInputIdConfiguration",
    "OLVA_GetInputAnalogState"};

// How many of device, input type and id a call's key carries.
inline int ArgumentCount(Call call)
{
    switch (call) {
    case Call::SupportedDevices:
        return 0;
    case Call::DeviceInputType:
    case Call::Connected:
        return 1;
    case Call::ClickStates:
    case Call::TouchStates:
        return 2;
    case Call::IdConfiguration:
    case Call::AnalogState:
        return 3;
    }
    return 0;
}

inline uint32_t FloatBits(float value)
{
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float FloatFromBits(uint32_t bits)
{
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace olva::capture::text
