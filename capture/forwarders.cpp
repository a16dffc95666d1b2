// The capture layer's 83 exported runtime functions, generated from the
// entry point table. Each forwards to the real runtime's function of the
// same name (the table's absent result when it has none, the failure result
// when it throws); the input questions are recorded on the way, the frame
// ends at OLVA_WaitFrame and the capture at OLVA_DestroyRuntime.
#include "capture_layer.h"

#include <tuple>
#include <type_traits>

namespace olva::capture {
namespace {

template <EntryPoint E, typename Fn>
struct Forwarder;

template <EntryPoint E, typename Ret, typename... Args>
struct Forwarder<E, Ret (*)(Args...)> {
    template <typename Absent>
    static Ret Call(Absent absent, Args... args)
    {
        Layer& layer = Layer::Instance();
        // void* to function pointer: exact on every ELF platform (dlsym
        // relies on the same).
        const auto fn = reinterpret_cast<Ret (*)(Args...)>(layer.Real(E));
        auto invoke = [&]() -> Ret {
            if (fn == nullptr) {
                return absent();
            }
            try {
                return fn(args...);
            } catch (...) {
                return FailureResult<Ret>();
            }
        };
        const auto a = std::tuple<Args...>(args...);
        if constexpr (E == EntryPoint::OLVA_CreateRuntime) {
            return layer.CreateRuntime(args...);
        } else if constexpr (E == EntryPoint::OLVA_DestroyRuntime) {
            if (layer.Recording(std::get<0>(a))) {
                layer.Finish();
            }
            return invoke();
        } else if constexpr (E == EntryPoint::OLVA_WaitFrame) {
            const int32_t result = invoke();
            if (layer.Recording(std::get<0>(a))) {
                layer.EndFrame(result);
            }
            return result;
        } else if constexpr (E == EntryPoint::OLVA_GetSupportedDevices) {
            return Observe(std::get<0>(a), Key{olva::capture::Call::SupportedDevices, 0, 0, 0}, std::get<1>(a), invoke);
        } else if constexpr (E == EntryPoint::OLVA_GetSupportedDeviceInputType) {
            return Observe(std::get<0>(a), Key{olva::capture::Call::DeviceInputType, std::get<1>(a), 0, 0},
                           std::get<2>(a), invoke);
        } else if constexpr (E == EntryPoint::OLVA_IsDeviceConnected) {
            return Observe(std::get<0>(a), Key{olva::capture::Call::Connected, std::get<1>(a), 0, 0}, std::get<2>(a),
                           invoke);
        } else if constexpr (E == EntryPoint::OLVA_GetInputClickStates) {
            return Observe(std::get<0>(a), Key{olva::capture::Call::ClickStates, std::get<1>(a), std::get<2>(a), 0},
                           std::get<3>(a), invoke);
        } else if constexpr (E == EntryPoint::OLVA_GetInputTouchStates) {
            return Observe(std::get<0>(a), Key{olva::capture::Call::TouchStates, std::get<1>(a), std::get<2>(a), 0},
                           std::get<3>(a), invoke);
        } else if constexpr (E == EntryPoint::OLVA_GetInputIdConfiguration) {
            return Observe(std::get<0>(a),
                           Key{olva::capture::Call::IdConfiguration, std::get<1>(a), std::get<2>(a), std::get<3>(a)},
                           std::get<4>(a), invoke);
        } else if constexpr (E == EntryPoint::OLVA_GetInputAnalogState) {
            return Observe(std::get<0>(a),
                           Key{olva::capture::Call::AnalogState, std::get<1>(a), std::get<2>(a), std::get<3>(a)},
                           std::get<4>(a), invoke);
        } else {
            return invoke();
        }
    }
};

}  // namespace
}  // namespace olva::capture

// Splices a row's parenthesised argument list into a longer one.
#define OLVA_CAPTURE_SPLICE(...) __VA_ARGS__

extern "C" {

#define OLVA_ENTRY(ret, name, params, args, absent)                                                   \
    OLVA_API ret name params                                                                          \
    {                                                                                                 \
        return olva::capture::Forwarder<olva::EntryPoint::name, olva::PFN_##name>::Call(              \
            []() -> ret { return absent; }, OLVA_CAPTURE_SPLICE args);                                \
    }
#define OLVA_ENTRY_SPECIAL OLVA_ENTRY
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY_SPECIAL
#undef OLVA_ENTRY

}  // extern "C"
