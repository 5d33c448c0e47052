#include "profile/InstallLog.h"

#include "profile/DestinationMap.h"
#include "profile/FileGroupMap.h"
#include "profile/TargetMap.h"
#include "rules/ProfileLine.h"
#include "rules/ProfileRecords.h"

#include <cstdarg>
#include <cstdio>

namespace {

// Writes key=value into section. A line that would not read back as written
// is refused and nothing is written for it: the log's reader would take it
// for another file, path or key, or not see it at all. An earlier line under
// the key stays.
BOOL WriteCheckedLine(ILogLines& log, const char* section, const std::string& key, const std::string& value)
{
    if (!section || !ReadsBackAsSection(section) || !ReadsBackAsKey(key) || !ReadsBackAsValue(value))
        return FALSE;
    return log.WriteLine(section, key, value);
}

BOOL WriteFormattedLine(ILogLines& log, const char* section, const std::string& key, const char* format,
                        va_list args)
{
    char value[kLogLineSize];
    const int length = std::vsnprintf(value, sizeof value, format, args);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof value)
        return FALSE;
    return WriteCheckedLine(log, section, key, std::string(value, length));
}

} // namespace

BOOL CProfileLines::WriteLine(const std::string& section, const std::string& key, const std::string& value)
{
    return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), m_file);
}

BOOL WriteLogLine(ILogLines& log, const char* section, const std::string& key, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const BOOL written = WriteFormattedLine(log, section, key, format, args);
    va_end(args);
    return written;
}

BOOL WriteLogLine(const CPathName& log, const char* section, const std::string& key, const char* format, ...)
{
    CProfileLines lines(log);
    va_list args;
    va_start(args, format);
    const BOOL written = WriteFormattedLine(lines, section, key, format, args);
    va_end(args);
    return written;
}

BOOL WriteInstalledFile(ILogLines& log, const std::string& groupKey, const std::string& fileName,
                        short destination, BOOL installed, BOOL replaced)
{
    return WriteCheckedLine(log, groupKey.c_str(), fileName,
                            FormatInstalledFileLine(destination, installed != FALSE, replaced != FALSE));
}

BOOL WriteInstalledFile(const CPathName& log, const std::string& groupKey, const std::string& fileName,
                        short destination, BOOL installed, BOOL replaced)
{
    CProfileLines lines(log);
    return WriteInstalledFile(lines, groupKey, fileName, destination, installed, replaced);
}

BOOL WriteInstallModel(ILogLines& log, const CDestinationMap& destinations, const CFileGroupMap& groups,
                       const CTargetMap& targets)
{
    BOOL complete = destinations.WriteToLog(log);
    complete = groups.WriteToLog(log) && complete;
    complete = targets.WriteToLog(log) && complete;
    return complete;
}

BOOL WriteInstallModel(const CPathName& log, const CDestinationMap& destinations, const CFileGroupMap& groups,
                       const CTargetMap& targets)
{
    CProfileLines lines(log);
    return WriteInstallModel(lines, destinations, groups, targets);
}
