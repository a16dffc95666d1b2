// Where the input system's records live. Records are handed out from chunks
// that never move and are never freed, so a handle (a record's address)
// stays valid until the process ends, also in exit handlers. Chunks double
// in size, so even a manifest of tens of thousands of actions needs only a
// handful of them, and telling whether an address is a record the pool
// issued is a short walk over the chunks: within a chunk's issued range and
// on a record boundary. Nothing is read through the address before that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace olva::input {

template <typename Record>
class RecordPool {
public:
    Record* New()
    {
        if (m_chunkCount == 0 || m_chunks[m_chunkCount - 1].used == m_chunks[m_chunkCount - 1].capacity) {
            if (m_chunkCount == kMaxChunks) {
                throw std::bad_alloc();
            }
            // Raw storage: a record is constructed only when it is handed
            // out, so a large chunk costs memory only as it fills.
            const std::size_t capacity = kFirstChunk << m_chunkCount;
            m_chunks[m_chunkCount] = {static_cast<Record*>(::operator new(capacity * sizeof(Record))), capacity, 0};
            ++m_chunkCount;
        }
        Chunk& chunk = m_chunks[m_chunkCount - 1];
        Record* record = new (&chunk.records[chunk.used]) Record();
        ++chunk.used;
        return record;
    }

    // The record at address, or null when the pool did not issue one there.
    Record* Find(uintptr_t address) const noexcept
    {
        for (std::size_t i = 0; i < m_chunkCount; ++i) {
            const Chunk& chunk = m_chunks[i];
            const auto begin = reinterpret_cast<uintptr_t>(chunk.records);
            if (address - begin < chunk.used * sizeof(Record)) {  // unsigned: below begin wraps to huge
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
    // Constant-initialised and trivially destructible: usable before any
    // constructor and after every destructor has run.
    Chunk m_chunks[kMaxChunks] = {};
    std::size_t m_chunkCount = 0;
};

}  // namespace olva::input
