// Compile-time proof that the public header agrees with the entry point
// table: every prototype and every PFN_ type has its row's result and
// parameter types, so the header a reader sees and the table the library is
// generated from cannot drift apart. This file generates no code.
#include <olva/olva_framework.h>

#include <type_traits>

#define OLVA_ENTRY(ret, name, params, args, absent)                                                 \
    static_assert(std::is_same_v<decltype(&::name), ret(*) params>,                                 \
                  "the header's prototype of " #name " differs from its table row");                \
    static_assert(std::is_same_v<::PFN_##name, ret(*) params>,                                      \
                  "PFN_" #name " in the header differs from its table row");
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY

// The input entry points are the library's own and have no table row; their
// definitions are checked against the prototypes by the compiler, and the
// PFN_ types against the prototypes here.
#define OLVA_INPUT_ENTRY_POINTS(X)                                                                  \
    X(OLVA_XrActionManifestPath)                                                                    \
    X(OLVA_GetXrActionSetHandle)                                                                    \
    X(OLVA_GetXrActionHandle)                                                                       \
    X(OLVA_GetXrInputSourceHandle)                                                                  \
    X(OLVA_UpdateXrActionState)                                                                     \
    X(OLVA_GetXrActionDigitalData)                                                                  \
    X(OLVA_GetXrActionAnalogData)
#define OLVA_CHECK_INPUT_ENTRY_(name)                                                               \
    static_assert(std::is_same_v<decltype(&::name), ::PFN_##name>, "PFN_" #name " differs from its prototype");
OLVA_INPUT_ENTRY_POINTS(OLVA_CHECK_INPUT_ENTRY_)
#undef OLVA_CHECK_INPUT_ENTRY_
#undef OLVA_INPUT_ENTRY_POINTS
