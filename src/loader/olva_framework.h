// The runtime loader: parses the runtime configuration text, opens the runtime
// library it names and resolves every name of g_funVec in it.
#pragma once

#include "loader/entry_point_index.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <map>
#include <string>
#include <vector>

// The 83 forwarding entry point names in table order. C language linkage
// keeps the exported symbol plain ("g_funVec") instead of libstdc++'s
// ABI-tagged mangling.
extern "C" __attribute__((visibility("default"))) std::vector<std::string> g_funVec;

namespace olva {

// The configuration key naming the runtime library, and the texts Init throws
// when it is unusable or the library does not open.
inline constexpr const char* kRuntimePathKey = "olvaruntimepath";
inline constexpr const char* kRuntimePathUnreadable = "读取runtimePath路径失败";
inline constexpr const char* kRuntimeNotOpened = "dlopen调用失败";

// Parses a runtime configuration text the way Init does: no callback,
// exceptions on, comments rejected. Every text that cannot be read leaves as
// nlohmann::json::parse_error, including a number beyond double range, which
// the parser itself rejects with out_of_range.
nlohmann::json ParseRuntimeConfiguration(const std::string& text);

// The address each forwarding entry point calls, by table index: the same
// value as the loader's name map holds for that name. It lives outside the
// loader object and is never destroyed, so a call made after the loader is
// gone (an exit handler, another library's destructor) still reads a valid
// slot, which the loader's destructor has cleared before closing the
// runtime library. Relaxed atomics: a forwarded call costs one plain load,
// and a call racing the exit-time clear is still well defined.
extern std::atomic<void*> g_dispatch[kEntryPointCount];

// True once the loader has been destroyed at exit; OLVA_CreateRuntime then
// answers without touching it.
extern std::atomic<bool> g_loaderDestroyed;

}  // namespace olva

class olva_framework {
public:
    // The one instance, constructed on first use (thread-safe) and destroyed
    // at exit. Inline so that the forwarding entry points pay no extra call.
    static olva_framework* GetInstance()
    {
        static olva_framework instance;
        return &instance;
    }

    // Logs the banner, parses the configuration, opens "olvaruntimepath" and
    // resolves every table name. Throws nlohmann::json::parse_error or
    // type_error, or the const char* texts kRuntimePathUnreadable and
    // kRuntimeNotOpened; see the public header for the state after each.
    void Init(std::string config);

    // The address stored for name, or null. Never inserts.
    void* GetFunction(std::string name);

    // The address stored for an entry point, by table index: the same value
    // as GetFunction(g_funVec[index]), written by Init at the same moments.
    static void* Dispatch(olva::EntryPoint entry) noexcept
    {
        return olva::g_dispatch[static_cast<std::size_t>(entry)].load(std::memory_order_relaxed);
    }

    ~olva_framework();
    olva_framework(const olva_framework&) = delete;
    olva_framework& operator=(const olva_framework&) = delete;

    // Read-only views for diagnostics and tests.
    void* libHandle() const noexcept { return m_libHandle; }
    const std::map<std::string, void*>& funMap() const noexcept { return m_funMap; }
    const nlohmann::json& config() const noexcept { return m_config; }

private:
    olva_framework() = default;

    void* m_libHandle = nullptr;
    std::map<std::string, void*> m_funMap;
    nlohmann::json m_config;
};
