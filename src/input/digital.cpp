// Placeholder: digital action data.
#include "input/olva_input.h"

#include <cstring>

int32_t olva_input::OLVA_GetXrActionDigitalData(void* runtime, unsigned long, OLVA_XrInputDigitalActionData* data,
                                                unsigned int, unsigned long)
{
    if (data != nullptr) {
        std::memset(data, 0, sizeof *data);
    }
    return runtime == nullptr ? OLVA_RESULT_INVALID_RUNTIME : OLVA_RESULT_INVALID_ARGUMENT;
}

void olva_input::OLVA_UpdateXrActionDigitalData(OLVA_DeviceType, const OLVA_XrAction*, OLVA_XrInputDigitalActionData*) {}

void olva_input::OLVA_DetermineXrActionState(OLVA_Device_InputType, uint64_t, uint64_t, bool, bool&, OLVA_Vector2f,
                                             double, double, bool&, bool&, unsigned int&)
{
}
