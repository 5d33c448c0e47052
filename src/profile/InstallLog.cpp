#include "profile/InstallLog.h"

#include "profile/DestinationMap.h"
#include "profile/FileGroupMap.h"
#include "profile/TargetMap.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

CPathName GetInstallLogPath()
{
    CPathName log(CPathName::pathWindowsDir);
    log.SetFileName("pelto.log");
    return log;
}

namespace {

// A key the profile API would read back as a different key, or as a section
// header or a line of its own: it would damage the log.
bool IsSafeKey(const std::string& key)
{
    if (key.empty() || key.front() == '[' || std::isspace(static_cast<unsigned char>(key.front())) ||
        std::isspace(static_cast<unsigned char>(key.back())))
        return false;
    return key.find_first_of("=\r\n") == std::string::npos;
}

} // namespace

BOOL WriteLogLine(const CPathName& log, const char* section, const std::string& key, const char* format, ...)
{
    if (!IsSafeKey(key))
        return FALSE;
    char value[kLogLineSize];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(value, sizeof value, format, args);
    va_end(args);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof value || std::strpbrk(value, "\r\n")) {
        ::WritePrivateProfileStringA(section, key.c_str(), nullptr, log);
        return FALSE;
    }
    return ::WritePrivateProfileStringA(section, key.c_str(), value, log);
}

BOOL WriteInstalledFile(const CPathName& log, const std::string& groupKey, const std::string& fileName,
                        short destination, BOOL installed, BOOL replaced)
{
    return WriteLogLine(log, groupKey.c_str(), fileName, "%d|%d|%d", destination, installed ? 1 : 0,
                        replaced ? 1 : 0);
}

BOOL WriteInstallModel(const CPathName& log, const CDestinationMap& destinations, const CFileGroupMap& groups,
                       const CTargetMap& targets)
{
    BOOL complete = destinations.WriteToLog(log);
    complete = groups.WriteToLog(log) && complete;
    complete = targets.WriteToLog(log) && complete;
    return complete;
}
