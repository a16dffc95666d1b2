// The runtime functions the simulated runtime implements. Everything else in
// the entry point table is left out of the module, so the library answers
// OLVA_RESULT_UNSUPPORTED for it.
#pragma once

#include <string_view>

#define OLVA_SIM_IMPLEMENTED_ENTRY_POINTS(X)                                                       \
    X(OLVA_CreateRuntime)                                                                          \
    X(OLVA_DestroyRuntime)                                                                         \
    X(OLVA_WaitFrame)                                                                              \
    X(OLVA_GetSupportedDevices)                                                                    \
    X(OLVA_GetSupportedDeviceInputType)                                                            \
    X(OLVA_IsDeviceConnected)                                                                      \
    X(OLVA_GetInputIdConfiguration)                                                                \
    X(OLVA_GetInputClickStates)                                                                    \
    X(OLVA_GetInputTouchStates)                                                                    \
    X(OLVA_GetInputAnalogState)                                                                    \
    X(OLVA_GetSupportedXrFeatures)                                                                 \
    X(OLVA_StartXrFeature)                                                                         \
    X(OLVA_StopXrFeature)

namespace olva::sim {

#define OLVA_SIM_ENTRY_(name) #name,
inline constexpr std::string_view kImplementedEntryPoints[] = {OLVA_SIM_IMPLEMENTED_ENTRY_POINTS(OLVA_SIM_ENTRY_)};
#undef OLVA_SIM_ENTRY_

}  // namespace olva::sim
