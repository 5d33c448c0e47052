#pragma once
// The install log "pelto.log" in the Windows directory: an INI file in the form
// of the setup profile, written only through the profile-string API. It holds
// one section per file group (the files the extraction engine handled), then
// "destinations", "groups" and "targets" written from the install model, and
// "Events". Nothing here deletes or empties it: a second installation replaces
// the lines it writes again and keeps the others.
//
// Every line is formatted into a buffer of 512 bytes. A line that does not fit
// is not written at all, rather than cut: a cut line would name a different
// path in its last field. The line an earlier installation wrote under the same
// key is removed then, so the log never keeps a record this run contradicts.
// Nor is a line written that the profile API would read back differently (a
// key holding '=', a line break in key or value).
#include "system/PathName.h"

#include <string>

class CDestinationMap;
class CFileGroupMap;
class CTargetMap;

// Longest value a log line may have: 511 characters and the terminator.
constexpr std::size_t kLogLineSize = 512;

// The install log's path: "pelto.log" in the Windows directory.
CPathName GetInstallLogPath();

// Formats value with printf rules and writes key=value into section. FALSE,
// and the key's earlier line removed, when the value does not fit kLogLineSize
// or holds a line break. FALSE, and nothing written, for a key that would not
// read back as itself (empty, holding '=' or a line break, beginning with '[',
// or with blanks around it). FALSE also when the profile API fails.
BOOL WriteLogLine(const CPathName& log, const char* section, const std::string& key, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 4, 5)))
#endif
    ;

// The extraction engine's line for one file it handled: section groupKey,
// key fileName, value "%d|%d|%d" of destination, installed and replaced (each
// flag written as 0 or 1).
BOOL WriteInstalledFile(const CPathName& log, const std::string& groupKey, const std::string& fileName,
                        short destination, BOOL installed, BOOL replaced);

// The end of the copy step: "destinations", "groups" and "targets", in this
// order. FALSE when some line could not be written.
BOOL WriteInstallModel(const CPathName& log, const CDestinationMap& destinations, const CFileGroupMap& groups,
                       const CTargetMap& targets);
