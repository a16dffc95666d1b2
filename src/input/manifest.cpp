// Placeholder: loading of the action manifest and binding files.
#include "input/olva_input.h"

int32_t olva_input::OLVA_XrActionManifestPath(void* runtime, const char* manifestPath)
{
    if (runtime == nullptr) {
        return OLVA_RESULT_INVALID_RUNTIME;
    }
    if (manifestPath == nullptr || manifestPath[0] == '\0') {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    return OLVA_RESULT_INVALID_ARGUMENT;
}
