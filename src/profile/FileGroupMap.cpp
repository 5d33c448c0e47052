#include "profile/FileGroupMap.h"

#include "profile/InstallLog.h"
#include "profile/ProfileSection.h"
#include "profile/ProfileString.h"
#include "rules/ProfileFields.h"

void CFileGroupMap::LoadFromProfile(const CPathName& file)
{
    CProfileSection section("groups");
    section.SetFile(file);
    CProfileString value;
    for (BOOL more = section.FirstKey(value); more; more = section.NextKey(value)) {
        value.Load();
        const std::string& text = value.GetText();
        auto group = std::make_unique<CFileGroup>();
        group->m_strKey = value.GetKey();
        GetField(group->m_strText1, text, 0, '|');
        GetField(group->m_strText2, text, 1, '|');
        GetBoolField(group->m_bTypeFlag1, text, 2, '|');
        GetBoolField(group->m_bTypeFlag2, text, 3, '|');
        GetBoolField(group->m_bTypeFlag3, text, 4, '|');
        m_map[group->m_strKey] = std::move(group);
    }
}

BOOL CFileGroupMap::WriteToLog(const CPathName& file) const
{
    CProfileLines lines(file);
    return WriteToLog(lines);
}

BOOL CFileGroupMap::WriteToLog(ILogLines& log) const
{
    BOOL complete = TRUE;
    for (const auto& entry : m_map) {
        const CFileGroup& group = *entry.second;
        if (!WriteLogLine(log, "groups", group.m_strKey, "%s|%s|%d|%d|%d", group.m_strText1.c_str(),
                          group.m_strText2.c_str(), group.m_bTypeFlag1, group.m_bTypeFlag2, group.m_bTypeFlag3))
            complete = FALSE;
    }
    return complete;
}

void CFileGroupMap::SelectType(int type)
{
    for (auto& entry : m_map) {
        CFileGroup& group = *entry.second;
        switch (type) {
        case 1: group.m_bSelected = group.m_bTypeFlag1; break;
        case 2: group.m_bSelected = group.m_bTypeFlag2; break;
        case 3: group.m_bSelected = group.m_bTypeFlag3; break;
        case 4: group.m_bSelected = 1; break;
        default: group.m_bSelected = 0; break;
        }
    }
}

CFileGroup* CFileGroupMap::Lookup(const std::string& key) const
{
    const auto it = m_map.find(key);
    return it == m_map.end() ? nullptr : it->second.get();
}
