#include "rules/ProfileRecords.h"

#include "rules/ProfileFields.h"

ItemLine ReadItemLine(const std::string& value)
{
    ItemLine line;
    GetLongField(line.size, value, 0);
    GetShortField(line.kind, value, 1);
    GetShortField(line.members, value, 2);
    GetShortField(line.disk, value, 3);
    GetShortField(line.destination, value, 4);
    GetField(line.comment, value, 5);
    return line;
}

std::string FormatItemLine(const ItemLine& line)
{
    const char sep = kFieldSeparator;
    return std::to_string(line.size) + sep + std::to_string(line.kind) + sep + std::to_string(line.members) + sep +
           std::to_string(line.disk) + sep + std::to_string(line.destination) + sep + line.comment;
}

std::string FormatInstalledFileLine(std::int16_t destination, bool installed, bool replaced)
{
    const char sep = kFieldSeparator;
    return std::to_string(destination) + sep + (installed ? '1' : '0') + sep + (replaced ? '1' : '0');
}
