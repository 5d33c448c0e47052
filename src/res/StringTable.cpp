// The string table for the native build, from the same list as the resources.
#include "fw/Strings.h"
#include "res/resource.h"

#include <cstddef>

extern const StringTableEntry g_stringTable[] = {
#define PELTO_STRING(id, text) {id, text},
#include "res/Strings.inc"
#undef PELTO_STRING
};
extern const std::size_t g_stringTableSize = sizeof g_stringTable / sizeof g_stringTable[0];

namespace {

constexpr unsigned kIds[] = {
#define PELTO_STRING(id, text) id,
#include "res/Strings.inc"
#undef PELTO_STRING
};

constexpr bool StrictlyAscending()
{
    for (std::size_t i = 1; i < sizeof kIds / sizeof kIds[0]; ++i)
        if (kIds[i - 1] >= kIds[i])
            return false;
    return true;
}

// The loader may rely on the order, and a repeated id would be ambiguous.
static_assert(StrictlyAscending(), "Strings.inc: ids must be unique and in ascending order");

} // namespace
