// Fixed indexes of the forwarding entry points, in the order of the entry
// point table. Both the name table g_funVec and the loader's dispatch slots
// use these indexes.
#pragma once

#include <olva/olva_framework.h>

#include <cstddef>

namespace olva {

enum class EntryPoint : std::size_t {
#define OLVA_ENTRY(ret, name, params, args, absent) name,
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY
    Count
};

constexpr std::size_t kEntryPointCount = static_cast<std::size_t>(EntryPoint::Count);
static_assert(kEntryPointCount == 83, "the runtime interface has 83 forwarding entry points");

// Function pointer type of each entry point, e.g. olva::PFN_OLVA_WaitFrame:
// the public header's type, which src/api/public_header_check.cpp proves
// equal to the table row.
#define OLVA_ENTRY(ret, name, params, args, absent) using PFN_##name = ::PFN_##name;
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY

}  // namespace olva
