#include "profile/InstallLog.h"

#include "profile/DestinationMap.h"
#include "profile/FileGroupMap.h"
#include "profile/LogLineWriter.h"
#include "profile/ProfileString.h"
#include "profile/TargetMap.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>

namespace {

// The longest value the program's reader gives back whole (CProfileString).
constexpr std::size_t kMaxLogValue = CProfileString::kValueSizePassed - 1;

// What the profile API trims around keys, values and section names; ^Z, the
// old end-of-file mark, is among them.
bool IsTrimmed(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) || c == '\x1a';
}

bool HasOuterBlanks(const std::string& text)
{
    return !text.empty() && (IsTrimmed(text.front()) || IsTrimmed(text.back()));
}

bool HasLineBreak(const std::string& text)
{
    return text.find_first_of("\r\n") != std::string::npos;
}

// A key the section's key list gives back as itself: not a comment (';'),
// not read as a section header, not cut at '=' or a line break.
bool ReadsBackAsKey(const std::string& key)
{
    return !key.empty() && key.front() != ';' && key.front() != '[' && key.find('=') == std::string::npos &&
           !HasLineBreak(key) && !HasOuterBlanks(key);
}

bool ReadsBackAsSection(const std::string& section)
{
    return !section.empty() && section.find(']') == std::string::npos && !HasLineBreak(section) &&
           !HasOuterBlanks(section);
}

// A value that comes back whole: the reader's limit, no line break, and
// nothing that the profile API drops (outer blanks, enclosing quotes).
bool ReadsBackAsValue(const std::string& value)
{
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return value.size() <= kMaxLogValue && !HasLineBreak(value) && !HasOuterBlanks(value) && !quoted;
}

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
    char value[kLogLineSize];
    std::snprintf(value, sizeof value, "%d|%d|%d", destination, installed ? 1 : 0, replaced ? 1 : 0);
    return WriteCheckedLine(writer, log, groupKey.c_str(), fileName, value);
}

BOOL WriteInstallModel(const CPathName& log, const CDestinationMap& destinations, const CFileGroupMap& groups,
                       const CTargetMap& targets)
{
    BOOL complete = destinations.WriteToLog(log);
    complete = groups.WriteToLog(log) && complete;
    complete = targets.WriteToLog(log) && complete;
    return complete;
}
