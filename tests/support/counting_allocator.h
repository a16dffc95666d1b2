// Counts every heap allocation of the program that includes this header, by
// replacing the global operator new and delete: include it in exactly one
// source file of a program. Where the library is linked in as objects, its
// own allocations count too.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace olva::test {

inline std::atomic<uint64_t> g_allocations{0};

inline uint64_t AllocationCount() noexcept
{
    return g_allocations.load(std::memory_order_relaxed);
}

inline void* CountedAllocate(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

}  // namespace olva::test

void* operator new(std::size_t size) { return olva::test::CountedAllocate(size); }
void* operator new[](std::size_t size) { return olva::test::CountedAllocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return olva::test::CountedAllocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
