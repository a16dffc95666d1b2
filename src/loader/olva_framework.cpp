#include "loader/olva_framework.h"

#include "loader/same_image.h"
#include "platform/olva_log.h"

#include <dlfcn.h>

#include <utility>

std::vector<std::string> g_funVec = {
#define OLVA_ENTRY(ret, name, params, args, absent) #name,
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY
};

std::atomic<void*> olva::g_dispatch[olva::kEntryPointCount] = {};
std::atomic<bool> olva::g_loaderDestroyed{false};

namespace {

// Whether an address lies in the image this code was linked into (the
// library, or a program that links the objects directly).
bool InThisImage(const void* address)
{
    return olva::InSameImage(address, reinterpret_cast<const void*>(&InThisImage));
}

}  // namespace

nlohmann::json olva::ParseRuntimeConfiguration(const std::string& text)
{
    try {
        return nlohmann::json::parse(text, nullptr, true, false);
    } catch (const nlohmann::json::out_of_range& e) {
        // A number beyond double range ("1e400") is the one text the parser
        // rejects with out_of_range; callers catch parse_error for every
        // text that cannot be read, so it leaves as one.
        throw nlohmann::json::parse_error::create(101, 0, e.what(), nullptr);
    }
}

void olva_framework::Init(std::string config)
{
    __android_log_print(ANDROID_LOG_INFO, "OLVA", "olva_framework Init version 2.0 2023-11-20");

    // Parse into a temporary first: a malformed text throws before anything
    // stored has changed.
    nlohmann::json parsed = olva::ParseRuntimeConfiguration(config);
    std::swap(m_config, parsed);

    // The non-const subscript turns a null configuration into an object,
    // inserts a missing key as null, and throws type_error 305 for any other
    // top-level type.
    nlohmann::json& runtimePath = m_config[olva::kRuntimePathKey];
    if (!runtimePath.is_string()) {
        throw olva::kRuntimePathUnreadable;
    }
    const std::string path = runtimePath.get<std::string>();

    // The previous handle is replaced without closing it: addresses resolved
    // from it may still be in the map if this open fails.
    m_libHandle = dlopen(path.c_str(), RTLD_NOW);
    if (m_libHandle == nullptr) {
        throw olva::kRuntimeNotOpened;
    }

    for (std::size_t i = 0; i < g_funVec.size(); ++i) {
        void* address = dlsym(m_libHandle, g_funVec[i].c_str());
        // A runtime path naming this library itself (or a library that only
        // passes our names on) would resolve each entry point to itself and
        // loop for ever; such an address counts as missing.
        if (InThisImage(address)) {
            address = nullptr;
        }
        m_funMap[g_funVec[i]] = address;
        olva::g_dispatch[i].store(address, std::memory_order_relaxed);
    }
}

void* olva_framework::GetFunction(std::string name)
{
    if (m_funMap.count(name) == 1) {
        return m_funMap[name];
    }
    return nullptr;
}

olva_framework::~olva_framework()
{
    // Forget every function before the library goes: a forwarded call from
    // a later exit handler answers its absent result instead of jumping
    // into unmapped code.
    olva::g_loaderDestroyed.store(true, std::memory_order_relaxed);
    for (std::atomic<void*>& slot : olva::g_dispatch) {
        slot.store(nullptr, std::memory_order_relaxed);
    }
    // dlclose rejects a null handle; skip it when no library is open.
    if (m_libHandle != nullptr) {
        dlclose(m_libHandle);
    }
}
