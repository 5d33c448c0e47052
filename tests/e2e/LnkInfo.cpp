#include "LnkInfo.h"
#include "UnixCommand.h"

#include <sstream>

namespace {

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    const std::size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

} // namespace

std::map<std::string, std::string> ReadShortcutWithLnkinfo(const std::string& path, const std::string& scratch)
{
    const std::optional<std::string> output =
        RunShellScript(PELTO_LNKINFO_SCRIPT, {UnixPath(path)}, scratch + "lnkinfo.txt");
    if (!output)
        return {};
    std::map<std::string, std::string> fields;
    std::istringstream lines(*output);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && !Trimmed(line.substr(0, colon)).empty())
            fields.emplace(Trimmed(line.substr(0, colon)), Trimmed(line.substr(colon + 1)));
    }
    return fields;
}
