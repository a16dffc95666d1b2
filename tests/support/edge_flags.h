// The 31 edge flags of the public header, reachable as one list, for tests
// that must clear them (they are process-wide and shared by every action).
#pragma once

#include <olva/olva_framework.h>

#include <cstddef>
#include <iterator>

namespace olva::test {

// Addresses of the flags, in header order.
inline bool* const kEdgeFlags[] = {
#define OLVA_EDGE_FLAG_ADDRESS_(flag) &flag,
    OLVA_EDGE_FLAGS(OLVA_EDGE_FLAG_ADDRESS_)
#undef OLVA_EDGE_FLAG_ADDRESS_
};

inline void ClearEdgeFlags()
{
    for (bool* flag : kEdgeFlags) {
        *flag = false;
    }
}

// Clears every flag for the life of a scope, then puts back what they were.
class EdgeFlagsCleared {
public:
    EdgeFlagsCleared()
    {
        for (std::size_t i = 0; i < std::size(kEdgeFlags); ++i) {
            m_saved[i] = *kEdgeFlags[i];
        }
        ClearEdgeFlags();
    }
    ~EdgeFlagsCleared()
    {
        for (std::size_t i = 0; i < std::size(kEdgeFlags); ++i) {
            *kEdgeFlags[i] = m_saved[i];
        }
    }
    EdgeFlagsCleared(const EdgeFlagsCleared&) = delete;
    EdgeFlagsCleared& operator=(const EdgeFlagsCleared&) = delete;

private:
    bool m_saved[std::size(kEdgeFlags)] = {};
};

}  // namespace olva::test
