#include "input/olva_input.h"

#include <atomic>
#include <cctype>

namespace {

std::atomic<bool> g_registryDestroyed{false};

// The process-wide registry, which notes its destruction at exit before its
// members go, so that later calls know not to touch it.
struct ProcessRegistry {
    olva_input input;
    ~ProcessRegistry() { g_registryDestroyed.store(true, std::memory_order_relaxed); }
};

}  // namespace

olva_input* olva_input::getInstance()
{
    static ProcessRegistry instance;
    return &instance.input;
}

bool olva_input::isDestroyed() noexcept
{
    return g_registryDestroyed.load(std::memory_order_relaxed);
}

namespace olva::input {

RecordPool<OLVA_XrActionSet> g_actionSetPool;
RecordPool<OLVA_XrAction> g_actionPool;
RecordPool<OLVA_XrActionSource> g_actionSourcePool;
RecordPool<OLVA_XrInputValue> g_inputValuePool;

OLVA_XrActionSet* NewActionSet() { return g_actionSetPool.New(); }
OLVA_XrAction* NewAction() { return g_actionPool.New(); }
OLVA_XrActionSource* NewActionSource() { return g_actionSourcePool.New(); }
OLVA_XrInputValue* NewInputValue() { return g_inputValuePool.New(); }

std::string LowerKey(std::string_view name)
{
    std::string key(name);
    for (char& c : key) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

ActionClass ClassifyActionType(std::string_view type)
{
    if (EqualsIgnoreCase(type, "boolean")) {
        return ActionClass::Digital;
    }
    for (std::string_view analog : {"single", "vector1", "vector2", "vector3"}) {
        if (EqualsIgnoreCase(type, analog)) {
            return ActionClass::Analog;
        }
    }
    return ActionClass::Other;
}

}  // namespace olva::input
