#include "profile/InstallLog.h"

#include "profile/DestinationMap.h"
#include "profile/FileGroupMap.h"
#include "profile/LogLineWriter.h"
#include "profile/TargetMap.h"
#include "rules/ProfileLine.h"
#include "rules/ProfileRecords.h"

#include <cstdarg>
#include <cstdio>

namespace {

// Writes key=value into section, through writer when one is given. A line
// that would not read back as written is refused and nothing is written for
// it: the log's reader would take it for another file, path or key, or not
// see it at all. An earlier line under the key stays.
BOOL WriteCheckedLine(CLogLineWriter* writer, const CPathName& log, const char* section, const std::string& key,
                      const std::string& value)
{
    if (!section || !ReadsBackAsSection(section) || !ReadsBackAsKey(key) || !ReadsBackAsValue(value))
        return FALSE;
    if (writer)
        return writer->Write(log.GetPath(), section, key, value);
    return ::WritePrivateProfileStringA(section, key.c_str(), value.c_str(), log);
}

} // namespace

BOOL WriteLogLine(const CPathName& log, const char* section, const std::string& key, const char* format, ...)
{
    char value[kLogLineSize];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(value, sizeof value, format, args);
    va_end(args);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof value)
        return FALSE;
    return WriteCheckedLine(nullptr, log, section, key, std::string(value, length));
}

BOOL WriteInstalledFile(const CPathName& log, const std::string& groupKey, const std::string& fileName,
                        short destination, BOOL installed, BOOL replaced, CLogLineWriter* writer)
{
    return WriteCheckedLine(writer, log, groupKey.c_str(), fileName,
                            FormatInstalledFileLine(destination, installed != FALSE, replaced != FALSE));
}

BOOL WriteInstallModel(const CPathName& log, const CDestinationMap& destinations, const CFileGroupMap& groups,
                       const CTargetMap& targets)
{
    BOOL complete = destinations.WriteToLog(log);
    complete = groups.WriteToLog(log) && complete;
    complete = targets.WriteToLog(log) && complete;
    return complete;
}
