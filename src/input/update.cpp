// Placeholder: per-frame state update.
#include "input/olva_input.h"

int32_t olva_input::OLVA_UpdateXrActionState(void* runtime, OLVA_XrActiveActionSet*, unsigned int, unsigned int)
{
    return runtime == nullptr ? OLVA_RESULT_INVALID_RUNTIME : 0;
}
