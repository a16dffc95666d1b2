// Whether a resolved function lies in the same loaded image as a piece of
// our own code. A runtime path that names the forwarding module itself (or a
// module that only passes our names on) would make every call forward to
// itself for ever; such addresses count as missing.
#pragma once

#include <dlfcn.h>

namespace olva {

inline bool InSameImage(const void* address, const void* anchor) noexcept
{
    Dl_info own = {};
    Dl_info other = {};
    return address != nullptr && dladdr(anchor, &own) != 0 && dladdr(address, &other) != 0 &&
           other.dli_fbase == own.dli_fbase;
}

}  // namespace olva
