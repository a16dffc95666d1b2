// The 83 forwarding entry points and OLVA_Unsupported.
//
// Each entry point reaches its runtime function through the loader's
// fixed-index dispatch slot, which Init writes together with the name map;
// so a later OLVA_CreateRuntime takes effect at once, and a forwarded call
// costs one load and one indirect call.
#include <olva/olva_framework.h>

#include "loader/olva_framework.h"

#include <string>

namespace {

template <olva::EntryPoint entry, typename Fn>
inline Fn resolve() noexcept
{
    // void* to function pointer is conditionally supported in C++ and exact
    // on every ELF platform we target (dlsym relies on the same).
    return reinterpret_cast<Fn>(olva_framework::GetInstance()->Dispatch(entry));
}

}  // namespace

extern "C" {

#define OLVA_ENTRY(ret, name, params, args, absent)                                         \
    ret name params                                                                         \
    {                                                                                       \
        const auto fn = resolve<olva::EntryPoint::name, olva::PFN_##name>();                \
        if (fn == nullptr) {                                                                \
            return absent;                                                                  \
        }                                                                                   \
        return fn args;                                                                     \
    }
#define OLVA_ENTRY_SPECIAL(ret, name, params, args, absent) /* written out below */
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY_SPECIAL
#undef OLVA_ENTRY

int32_t OLVA_CreateRuntime(const OLVA_RuntimeCreateInfo* createInfo, void** runtime)
{
    olva_framework* loader = olva_framework::GetInstance();
    // Exceptions from Init are part of this entry point's interface and
    // reach the caller; the runtime library is then not called.
    loader->Init(std::string(createInfo->configJson));

    const auto fn = reinterpret_cast<olva::PFN_OLVA_CreateRuntime>(loader->GetFunction("OLVA_CreateRuntime"));
    if (fn == nullptr) {
        return OLVA_RESULT_UNSUPPORTED;
    }
    return fn(createInfo, runtime);
}

int32_t OLVA_StartXrFeature(void* runtime, const OLVA_XrFeatureStartInfo* startInfo, void** feature)
{
    using olva::EntryPoint;
    if (startInfo->feature == OLVA_XR_FEATURE_ANY_SUPPORTED) {
        // Through our own exported entry point, so a runtime without the
        // function leaves the mask at 0.
        uint64_t supported = 0;
        OLVA_GetSupportedXrFeatures(runtime, &supported);
        if ((supported & OLVA_XR_FEATURE_SUBSTITUTE) != 0) {
            const OLVA_XrFeatureStartInfo substitute = {startInfo->structType, OLVA_XR_FEATURE_SUBSTITUTE,
                                                        startInfo->options};
            const auto fn = resolve<EntryPoint::OLVA_StartXrFeature, olva::PFN_OLVA_StartXrFeature>();
            if (fn == nullptr) {
                return OLVA_RESULT_UNSUPPORTED;
            }
            return fn(runtime, &substitute, feature);
        }
    }

    const auto fn = resolve<EntryPoint::OLVA_StartXrFeature, olva::PFN_OLVA_StartXrFeature>();
    if (fn == nullptr) {
        return OLVA_RESULT_UNSUPPORTED;
    }
    return fn(runtime, startInfo, feature);
}

}  // extern "C"

int OLVA_Unsupported()
{
    return OLVA_RESULT_UNSUPPORTED;
}
