// The 83 forwarding entry points and OLVA_Unsupported.
//
// Each entry point reaches its runtime function through the loader's
// fixed-index dispatch slot, which Init writes together with the name map;
// so a later OLVA_CreateRuntime takes effect at once, and a forwarded call
// costs one load and one indirect call.
//
// A C++ exception thrown by the runtime library stops here: unwinding into
// a C application ends it in terminate, so the call answers
// OLVA_RESULT_RUNTIME_FAILURE instead (false and nothing for the two entry
// points without a 32-bit result).
#include <olva/olva_framework.h>

#include "loader/olva_framework.h"

#include <cxxabi.h>

#include <string>
#include <type_traits>

namespace {

template <olva::EntryPoint entry, typename Fn>
inline Fn resolve() noexcept
{
    // void* to function pointer is conditionally supported in C++ and exact
    // on every ELF platform we target (dlsym relies on the same).
    return reinterpret_cast<Fn>(olva_framework::Dispatch(entry));
}

// What an entry point answers when its runtime function threw.
template <typename Ret>
Ret RuntimeFailed() noexcept
{
    if constexpr (std::is_void_v<Ret>) {
        return;
    } else if constexpr (std::is_same_v<Ret, bool>) {
        return false;
    } else {
        return OLVA_RESULT_RUNTIME_FAILURE;
    }
}

}  // namespace

// Thread cancellation unwinds with a forced-unwind exception that must
// reach the thread's start; everything else the runtime throws is caught.
#define OLVA_CALL_RUNTIME(ret, call)        \
    try {                                   \
        return call;                        \
    } catch (abi::__forced_unwind&) {       \
        throw;                              \
    } catch (...) {                         \
        return RuntimeFailed<ret>();        \
    }

extern "C" {

#define OLVA_ENTRY(ret, name, params, args, absent)                          \
    ret name params                                                          \
    {                                                                        \
        const auto fn = resolve<olva::EntryPoint::name, olva::PFN_##name>(); \
        if (fn == nullptr) {                                                 \
            return absent;                                                   \
        }                                                                    \
        OLVA_CALL_RUNTIME(ret, fn args)                                      \
    }
#define OLVA_ENTRY_SPECIAL(ret, name, params, args, absent) /* written out below */
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY_SPECIAL
#undef OLVA_ENTRY

int32_t OLVA_CreateRuntime(const OLVA_RuntimeCreateInfo* createInfo, void** runtime)
{
    if (createInfo == nullptr || createInfo->configJson == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    if (olva::g_loaderDestroyed.load(std::memory_order_relaxed)) {
        return OLVA_RESULT_UNSUPPORTED;  // called from an exit handler after the loader closed the runtime
    }
    olva_framework* loader = olva_framework::GetInstance();
    try {
        loader->Init(std::string(createInfo->configJson));
    } catch (const nlohmann::json::parse_error&) {
        throw;  // the loader's own failures are this entry point's interface
    } catch (const nlohmann::json::type_error&) {
        throw;
    } catch (const char*) {
        throw;
    } catch (abi::__forced_unwind&) {
        throw;
    } catch (...) {
        // Anything else came out of dlopen: the runtime library's own
        // static constructors threw.
        return OLVA_RESULT_RUNTIME_FAILURE;
    }

    const auto fn = reinterpret_cast<olva::PFN_OLVA_CreateRuntime>(loader->GetFunction("OLVA_CreateRuntime"));
    if (fn == nullptr) {
        return OLVA_RESULT_UNSUPPORTED;
    }
    OLVA_CALL_RUNTIME(int32_t, fn(createInfo, runtime))
}

int32_t OLVA_StartXrFeature(void* runtime, const OLVA_XrFeatureStartInfo* startInfo, void** feature)
{
    using olva::EntryPoint;
    if (startInfo == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
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
            OLVA_CALL_RUNTIME(int32_t, fn(runtime, &substitute, feature))
        }
    }

    const auto fn = resolve<EntryPoint::OLVA_StartXrFeature, olva::PFN_OLVA_StartXrFeature>();
    if (fn == nullptr) {
        return OLVA_RESULT_UNSUPPORTED;
    }
    OLVA_CALL_RUNTIME(int32_t, fn(runtime, startInfo, feature))
}

}  // extern "C"

int OLVA_Unsupported()
{
    return OLVA_RESULT_UNSUPPORTED;
}
