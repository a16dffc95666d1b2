// A runtime whose functions throw C++ exceptions, to show that none of them
// unwinds through the capture layer into the application.
#include <olva/olva_framework.h>

#include <stdexcept>

namespace {
int g_handle;
}

extern "C" {

OLVA_API int32_t OLVA_CreateRuntime(const OLVA_RuntimeCreateInfo*, void** runtime)
{
    *runtime = &g_handle;
    return 0;
}

OLVA_API int32_t OLVA_DestroyRuntime(void*) { return 0; }

OLVA_API int32_t OLVA_WaitFrame(void*, void*) { throw std::runtime_error("frame lost"); }

OLVA_API int32_t OLVA_GetInputClickStates(void*, OLVA_DeviceType, OLVA_Device_InputType, uint64_t*)
{
    throw std::runtime_error("controller gone");
}

OLVA_API bool OLVA_SetPerformanceLevels(void*, int32_t, int32_t) { throw 42; }

OLVA_API void OLVA_ReleaseControllerModelData(void*, void*) { throw std::bad_alloc(); }

}  // extern "C"
