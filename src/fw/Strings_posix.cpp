#include "fw/Strings.h"

#include <algorithm>
#include <cstddef>

// Defined by the product's res/ folder in the native build.
extern const StringTableEntry g_stringTable[];
extern const std::size_t g_stringTableSize;

bool AfxLoadString(unsigned id, std::string& text)
{
    const StringTableEntry* end = g_stringTable + g_stringTableSize;
    const StringTableEntry* it =
        std::find_if(g_stringTable, end, [id](const StringTableEntry& e) { return e.id == id; });
    if (it == end || it->id != id) {
        text.clear();
        return false;
    }
    text = it->text;
    return !text.empty();
}
