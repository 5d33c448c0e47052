#include "Ledger.h"

#include <cstring>

namespace {

// Copies [begin, end) without outer blanks into a buffer of `size` bytes.
void CopyTrimmed(const char* begin, const char* end, char* out, std::size_t size)
{
    while (begin < end && (*begin == ' ' || *begin == '\t'))
        ++begin;
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r' || end[-1] == '\n'))
        --end;
    std::size_t length = static_cast<std::size_t>(end - begin);
    if (length >= size)
        length = size - 1;
    std::memcpy(out, begin, length);
    out[length] = '\0';
}

} // namespace

PELTO32_API const char* WINAPI PeltoEngineVersion(void)
{
    return "1.0";
}

PELTO32_API BOOL WINAPI PeltoParseLedgerLine(const char* line, PeltoLedgerEntry* entry)
{
    if (!line || !entry)
        return FALSE;
    std::memset(entry, 0, sizeof *entry);
    while (*line == ' ' || *line == '\t')
        ++line;
    if (*line == '\0' || *line == ';' || *line == '\r' || *line == '\n')
        return FALSE;
    const char* end = line + std::strlen(line);
    const char* word = line;
    while (word < end && *word != ' ' && *word != '\t')
        ++word;
    CopyTrimmed(line, word, entry->kind, sizeof entry->kind);
    const char* field = word;
    while (field < end && entry->fieldCount < kLedgerFieldCount) {
        const char* bar = std::strchr(field, '|');
        const char* fieldEnd = bar ? bar : end;
        CopyTrimmed(field, fieldEnd, entry->fields[entry->fieldCount++], kLedgerFieldSize);
        field = bar ? bar + 1 : end;
    }
    return TRUE;
}
