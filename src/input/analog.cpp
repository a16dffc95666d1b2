// Placeholder: analog action data.
#include "input/olva_input.h"

#include <cstring>

int32_t olva_input::OLVA_GetXrActionAnalogData(void* runtime, unsigned long, OLVA_XrInputAnalogActionData* data,
                                               unsigned int, unsigned long)
{
    if (data != nullptr) {
        std::memset(data, 0, sizeof *data);
    }
    return runtime == nullptr ? OLVA_RESULT_INVALID_RUNTIME : OLVA_RESULT_INVALID_ARGUMENT;
}

void olva_input::OLVA_UpdateXrActionAnalogData(OLVA_DeviceType, const OLVA_XrAction*, OLVA_XrInputAnalogActionData*) {}
