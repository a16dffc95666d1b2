#include "input/olva_input.h"

#include <atomic>
#include <cctype>
#include <cstdint>
#include <new>

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

namespace {

// Records are handed out from chunks that never move and are never freed, so
// a handle (a record's address) stays valid until the process ends, also in
// exit handlers. Chunks double in size, so even a manifest of tens of
// thousands of actions needs only a handful of them, and telling whether an
// address is a record this pool issued is a short walk over the chunks:
// within a chunk's issued range and on a record boundary.
template <typename Record>
class RecordPool {
public:
    Record* New()
    {
        if (m_chunkCount == 0 || m_chunks[m_chunkCount - 1].used == m_chunks[m_chunkCount - 1].capacity) {
            if (m_chunkCount == kMaxChunks) {
                throw std::bad_alloc();
            }
            const std::size_t capacity = kFirstChunk << m_chunkCount;
            m_chunks[m_chunkCount] = {new Record[capacity], capacity, 0};
            ++m_chunkCount;
        }
        Chunk& chunk = m_chunks[m_chunkCount - 1];
        return &chunk.records[chunk.used++];
    }

    Record* Find(uintptr_t address) const noexcept
    {
        for (std::size_t i = 0; i < m_chunkCount; ++i) {
            const Chunk& chunk = m_chunks[i];
            const auto begin = reinterpret_cast<uintptr_t>(chunk.records);
            if (address >= begin && address < begin + chunk.used * sizeof(Record)) {
                return (address - begin) % sizeof(Record) == 0 ? reinterpret_cast<Record*>(address) : nullptr;
            }
        }
        return nullptr;
    }

private:
    static constexpr std::size_t kFirstChunk = 32;
    static constexpr std::size_t kMaxChunks = 40;

    struct Chunk {
        Record* records;
        std::size_t capacity;
        std::size_t used;
    };
    Chunk m_chunks[kMaxChunks] = {};
    std::size_t m_chunkCount = 0;
};

// Never destroyed: records outlive the registry on purpose.
template <typename Record>
RecordPool<Record>& PoolOf()
{
    static auto* pool = new RecordPool<Record>();
    return *pool;
}

template <typename Record>
Record* FromHandle(unsigned long handle) noexcept
{
    return handle == 0 ? nullptr : PoolOf<Record>().Find(static_cast<uintptr_t>(handle));
}

}  // namespace

OLVA_XrActionSet* NewActionSet() { return PoolOf<OLVA_XrActionSet>().New(); }
OLVA_XrAction* NewAction() { return PoolOf<OLVA_XrAction>().New(); }
OLVA_XrActionSource* NewActionSource() { return PoolOf<OLVA_XrActionSource>().New(); }
OLVA_XrInputValue* NewInputValue() { return PoolOf<OLVA_XrInputValue>().New(); }

OLVA_XrActionSet* ActionSetFromHandle(unsigned long handle) noexcept { return FromHandle<OLVA_XrActionSet>(handle); }
OLVA_XrAction* ActionFromHandle(unsigned long handle) noexcept { return FromHandle<OLVA_XrAction>(handle); }
OLVA_XrInputValue* InputValueFromHandle(unsigned long handle) noexcept
{
    return FromHandle<OLVA_XrInputValue>(handle);
}

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
