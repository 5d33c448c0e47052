// The string table for the native build, from the same list as the resources.
#include "fw/Strings.h"

#include <cstddef>

extern const StringTableEntry g_stringTable[] = {
#define PELTO_STRING(id, text) {id, text},
#include "res/Strings.inc"
#undef PELTO_STRING
};
extern const std::size_t g_stringTableSize = sizeof g_stringTable / sizeof g_stringTable[0];
