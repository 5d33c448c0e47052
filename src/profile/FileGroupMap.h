#pragma once
// File groups: the sets of files the user can choose to install, by key. A
// group's key also names the setup-profile section that lists its files and the
// install-log section that records what became of them. Loaded from section
// "groups"; written back to the install log. The map owns its groups.
#include "system/PathName.h"

#include <map>
#include <memory>
#include <string>

struct CFileGroup {
    std::string m_strKey;
    std::string m_strText1;
    std::string m_strText2;
    BOOL m_bSelected = FALSE;  // the group's files are to be installed
    // Membership in installation types 1, 2 and 3.
    int m_bTypeFlag1 = 0;
    int m_bTypeFlag2 = 0;
    int m_bTypeFlag3 = 0;
};

class ILogLines;
class CFileGroupMap {
public:
    using Map = std::map<std::string, std::unique_ptr<CFileGroup>>;

    CFileGroupMap() = default;
    CFileGroupMap(const CFileGroupMap&) = delete;
    CFileGroupMap& operator=(const CFileGroupMap&) = delete;

    // Reads section "groups" (key group key, value text1|text2|type1|type2|type3).
    // An absent section is no error. A missing type flag reads as 0; a group
    // listed twice keeps its later line.
    void LoadFromProfile(const CPathName& file);
    // Writes section "groups" of the install log, every group ("%s|%s|%d|%d|%d";
    // the selection is not written). FALSE when a line could not be written.
    BOOL WriteToLog(ILogLines& log) const;
    BOOL WriteToLog(const CPathName& file) const;

    // Selects the groups of an installation type: 0 none, 1 to 3 the groups
    // with that type flag, 4 all. Any other type selects none.
    void SelectType(int type);

    // The group with exactly this key, or null.
    CFileGroup* Lookup(const std::string& key) const;
    std::size_t GetCount() const noexcept { return m_map.size(); }
    Map::const_iterator begin() const noexcept { return m_map.begin(); }
    Map::const_iterator end() const noexcept { return m_map.end(); }

private:
    Map m_map;
};
