#pragma once
// The install log "pelto.log" in the Windows directory: an INI file in the form
// of the setup profile, written only through the profile-string API. It holds
// one section per file group (the files the extraction engine handled), then
// "destinations", "groups" and "targets" written from the install model, and
// "Events". Nothing here deletes or empties it: a second installation replaces
// the lines it writes again and keeps the others.
//
// Every line is written so that the program's own reader gives it back as it
// was written: a line that would come back different (a value cut at the
// reader's 254 characters, a key the profile API never lists again, blanks it
// drops) is refused whole and nothing is written for it, since a changed line
// would name a different file or path. An earlier line under the same key
// stays then.
#include "system/PathName.h"

#include <string>

class CDestinationMap;
class CFileGroupMap;
class CTargetMap;

// Where lines of the install log go: at once into a file through the profile
// API (CProfileLines), or into the copy step's CInstallLogWriter. The line has
// been checked to read back as itself.
class ILogLines {
public:
    virtual BOOL WriteLine(const std::string& section, const std::string& key, const std::string& value) = 0;

protected:
    ~ILogLines() = default;
};

// Each line written at once with WritePrivateProfileStringA.
class CProfileLines final : public ILogLines {
public:
    explicit CProfileLines(const CPathName& file) : m_file(file) {}
    BOOL WriteLine(const std::string& section, const std::string& key, const std::string& value) override;

private:
    CPathName m_file;
};

// Room of the buffer a log line's value is formatted into: 511 characters.
constexpr std::size_t kLogLineSize = 512;

// Formats value with printf rules and writes key=value into section. FALSE,
// and nothing written, when the line would not read back as itself: a value
// over 254 characters (the reader's limit, CProfileString), holding a line
// break, with blanks at either end or enclosed in quotes (the profile API drops
// both); a key that is empty, begins with ';' or '[', holds '=' or a line break
// or has blanks at either end; a section name that is empty, holds ']' or a
// line break or has blanks at either end. FALSE also when the profile API fails.
BOOL WriteLogLine(ILogLines& log, const char* section, const std::string& key, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 4, 5)))
#endif
    ;
// The same, written at once into the file log.
BOOL WriteLogLine(const CPathName& log, const char* section, const std::string& key, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 4, 5)))
#endif
    ;
// The extraction engine's line for one file it handled: section groupKey,
// key fileName, value "%d|%d|%d" of destination, installed and replaced (each
// flag written as 0 or 1).
BOOL WriteInstalledFile(ILogLines& log, const std::string& groupKey, const std::string& fileName,
                        short destination, BOOL installed, BOOL replaced);
BOOL WriteInstalledFile(const CPathName& log, const std::string& groupKey, const std::string& fileName,
                        short destination, BOOL installed, BOOL replaced);

// The end of the copy step: "destinations", "groups" and "targets", in this
// order. FALSE when some line could not be written.
BOOL WriteInstallModel(ILogLines& log, const CDestinationMap& destinations, const CFileGroupMap& groups,
                       const CTargetMap& targets);
BOOL WriteInstallModel(const CPathName& log, const CDestinationMap& destinations, const CFileGroupMap& groups,
                       const CTargetMap& targets);
