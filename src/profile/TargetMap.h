#pragma once
// Targets: the installed files that get a program item, by lower-cased file
// name. Loaded from section "targets"; the extraction engine gives a target the
// path where its file was installed; the targets that have one are written back
// to the install log. The map owns its targets.
#include "system/PathName.h"

#include <map>
#include <memory>
#include <string>

struct CTarget {
    std::string m_strName;  // the file's name as written in the profile
    int m_nIconIndex = 0;   // read as a 16-bit number
    int m_nNumber2 = 0;     // read as a 16-bit number; stored and written back only
    BOOL m_bMinimized = FALSE;  // the item starts minimized
    std::string m_strCaption;
    std::string m_strArguments;
    std::string m_strIconFile;
    CPathName m_path;       // where the file was installed; empty until then
};

class ILogLines;
class CTargetMap {
public:
    using Map = std::map<std::string, std::unique_ptr<CTarget>>;

    CTargetMap() = default;
    CTargetMap(const CTargetMap&) = delete;
    CTargetMap& operator=(const CTargetMap&) = delete;

    // Reads section "targets" (key file name, value
    // iconIndex|number2|minimized|caption|arguments|iconFile|path). An absent
    // section is no error. A missing number reads as 0; a name listed twice, in
    // any case, keeps its later line.
    void LoadFromProfile(const CPathName& file);
    // Writes section "targets" of the install log: only the targets that have
    // a path, under their lower-cased names ("%d|%d|%d|%s|%s|%s|%s"). FALSE when
    // a line could not be written.
    BOOL WriteToLog(ILogLines& log) const;
    BOOL WriteToLog(const CPathName& file) const;

    // The target for a file name in any case, or null.
    CTarget* FindTarget(const std::string& fileName) const;
    std::size_t GetCount() const noexcept { return m_map.size(); }
    Map::const_iterator begin() const noexcept { return m_map.begin(); }
    Map::const_iterator end() const noexcept { return m_map.end(); }

    // The map's key for a file name: lower case by the rules of the ANSI code page.
    static std::string MakeKey(const std::string& fileName);

private:
    Map m_map;
};
