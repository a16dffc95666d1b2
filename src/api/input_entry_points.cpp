// The seven input entry points: each hands its arguments to the registry
// member of the same name. This is where exceptions stop: nothing thrown
// inside the input system (a JSON document of unexpected shape, a failed
// allocation) may unwind into the application, so any that gets here
// becomes OLVA_RESULT_INVALID_ARGUMENT. The members themselves keep state
// unchanged on failure. After the registry is destroyed at exit, calls
// answer OLVA_RESULT_UNSUPPORTED without touching it.
#include <olva/olva_framework.h>

#include "input/olva_input.h"

#include <cstring>

namespace {

template <typename Call>
int32_t Contained(Call&& call) noexcept
{
    if (olva_input::isDestroyed()) {
        return OLVA_RESULT_UNSUPPORTED;
    }
    try {
        return call(*olva_input::getInstance());
    } catch (...) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
}

// The data queries clear their record before any check, this one included.
template <typename Record, typename Call>
int32_t ContainedQuery(Record* data, Call&& call) noexcept
{
    if (olva_input::isDestroyed() && data != nullptr) {
        std::memset(data, 0, sizeof *data);
    }
    return Contained(call);
}

}  // namespace

extern "C" {

int32_t OLVA_XrActionManifestPath(void* runtime, const char* manifestPath)
{
    return Contained([&](olva_input& input) { return input.OLVA_XrActionManifestPath(runtime, manifestPath); });
}

int32_t OLVA_GetXrActionSetHandle(void* runtime, const char* name, unsigned long* actionSet)
{
    return Contained([&](olva_input& input) { return input.OLVA_GetXrActionSetHandle(runtime, name, actionSet); });
}

int32_t OLVA_GetXrActionHandle(void* runtime, const char* name, unsigned long* action)
{
    return Contained([&](olva_input& input) { return input.OLVA_GetXrActionHandle(runtime, name, action); });
}

int32_t OLVA_GetXrInputSourceHandle(void* runtime, const char* path, unsigned long* inputSource)
{
    return Contained(
        [&](olva_input& input) { return input.OLVA_GetXrInputSourceHandle(runtime, path, inputSource); });
}

int32_t OLVA_UpdateXrActionState(void* runtime, OLVA_XrActiveActionSet* activeActionSets,
                                 unsigned int activeActionSetCount, unsigned int reserved)
{
    return Contained([&](olva_input& input) {
        return input.OLVA_UpdateXrActionState(runtime, activeActionSets, activeActionSetCount, reserved);
    });
}

int32_t OLVA_GetXrActionDigitalData(void* runtime, unsigned long action, OLVA_XrInputDigitalActionData* data,
                                    unsigned int reserved, unsigned long inputSource)
{
    return ContainedQuery(data, [&](olva_input& input) {
        return input.OLVA_GetXrActionDigitalData(runtime, action, data, reserved, inputSource);
    });
}

int32_t OLVA_GetXrActionAnalogData(void* runtime, unsigned long action, OLVA_XrInputAnalogActionData* data,
                                   unsigned int reserved, unsigned long inputSource)
{
    return ContainedQuery(data, [&](olva_input& input) {
        return input.OLVA_GetXrActionAnalogData(runtime, action, data, reserved, inputSource);
    });
}

}  // extern "C"
