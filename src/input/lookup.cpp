// Placeholder: handle lookup.
#include "input/olva_input.h"

int32_t olva_input::OLVA_GetXrActionSetHandle(void* runtime, const char*, unsigned long*)
{
    return runtime == nullptr ? OLVA_RESULT_INVALID_RUNTIME : OLVA_RESULT_INVALID_ARGUMENT;
}

int32_t olva_input::OLVA_GetXrActionHandle(void* runtime, const char*, unsigned long*)
{
    return runtime == nullptr ? OLVA_RESULT_INVALID_RUNTIME : OLVA_RESULT_INVALID_ARGUMENT;
}

int32_t olva_input::OLVA_GetXrInputSourceHandle(void* runtime, const char*, unsigned long*)
{
    return runtime == nullptr ? OLVA_RESULT_INVALID_RUNTIME : OLVA_RESULT_INVALID_ARGUMENT;
}
