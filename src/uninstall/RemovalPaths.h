#pragma once
// Where removal may delete: the paths of the install log, checked first. The
// log lies in the Windows directory, where any user may write, and removal
// deletes with the rights of whoever runs it; so a path is only used when the
// log cannot have led it elsewhere than where the installation put its files:
//
// - a recorded file's name (its log key) is a plain name, never a path: no
//   separator, no drive, nothing that Windows reads as "." or "..";
// - a destination of id 0 or above has its line in "destinations", and no line
//   of that id came back cut at the reader's limit (the rest of the path would
//   be missing); the predefined destinations (negative ids) keep the system
//   folders and have no line, since a line would move them;
// - the destination's path is a full directory path ('C:\PELTO\' or
//   '\\server\share\PELTO\'), with no "." or ".." component.
//
// Anything else is refused and removal passes over it. Names are read with the
// lead bytes of CPathName::GetSplitCodePage(), so a double-byte character's
// trail byte is never taken for a separator.
#include "system/PathName.h"

#include <cstdint>
#include <map>
#include <string>

class CDestinationMap;
class CTargetMap;

class CRemovalPaths {
public:
    // Reads the "destinations" lines of the install log `log`; `destinations`
    // is the model loaded from it and must outlive this object.
    CRemovalPaths(const CPathName& log, const CDestinationMap& destinations);

    // The directory of destination `id` when removal may delete in it.
    BOOL GetDirectory(std::int16_t id, CPathName& directory) const;
    // The path of recorded file `fileName` of destination `id`, when both may
    // be used and the joined path fits.
    BOOL GetFilePath(const std::string& fileName, std::int16_t id, CPathName& path) const;

    // A name of one file: not empty, without '\', '/' or ':', without
    // characters no file name holds, and not only dots and blanks.
    static BOOL IsPlainFileName(const std::string& name);
    // A directory path from the root of a drive or a server share, ending in
    // a backslash, whose every component is a plain file name.
    static BOOL IsFullDirectoryPath(const std::string& path);
    // A value as long as the reader's limit, which may have been longer in the file.
    static BOOL MayBeCut(const std::string& value) noexcept;

    // Empties the path of every target whose "targets" line may have come
    // back cut, so that removal does not act on it.
    static void ForgetCutTargetPaths(const CPathName& log, CTargetMap& targets);

private:
    const CDestinationMap& m_destinations;
    // Per destination id read from the log's keys: TRUE when some line of
    // that id may have been cut.
    std::map<std::int16_t, BOOL> m_lines;
};
