#include "profile/TargetMap.h"

#include "profile/InstallLog.h"
#include "profile/ProfileSection.h"
#include "profile/ProfileString.h"
#include "rules/ProfileFields.h"

std::string CTargetMap::MakeKey(const std::string& fileName)
{
    std::string key = fileName;
    if (!key.empty())
        ::CharLowerBuffA(&key[0], static_cast<DWORD>(key.size()));
    return key;
}

void CTargetMap::LoadFromProfile(const CPathName& file)
{
    CProfileSection section("targets");
    section.SetFile(file);
    CProfileString value;
    for (BOOL more = section.FirstKey(value); more; more = section.NextKey(value)) {
        value.Load();
        const std::string& text = value.GetText();
        auto target = std::make_unique<CTarget>();
        target->m_strName = value.GetKey();
        std::int16_t number = 0;
        if (GetShortField(number, text, 0, '|'))
            target->m_nIconIndex = number;
        number = 0;
        if (GetShortField(number, text, 1, '|'))
            target->m_nNumber2 = number;
        GetBoolField(target->m_bMinimized, text, 2, '|');
        GetField(target->m_strCaption, text, 3, '|');
        GetField(target->m_strArguments, text, 4, '|');
        GetField(target->m_strIconFile, text, 5, '|');
        std::string path;
        GetField(path, text, 6, '|');
        target->m_path = path;
        m_map[MakeKey(target->m_strName)] = std::move(target);
    }
}

BOOL CTargetMap::WriteToLog(const CPathName& file) const
{
    CProfileLines lines(file);
    return WriteToLog(lines);
}

BOOL CTargetMap::WriteToLog(ILogLines& log) const
{
    BOOL complete = TRUE;
    for (const auto& entry : m_map) {
        const CTarget& target = *entry.second;
        if (target.m_path.IsEmpty())
            continue;
        if (!WriteLogLine(log, "targets", entry.first, "%d|%d|%d|%s|%s|%s|%s", target.m_nIconIndex,
                          target.m_nNumber2, target.m_bMinimized, target.m_strCaption.c_str(),
                          target.m_strArguments.c_str(), target.m_strIconFile.c_str(),
                          target.m_path.GetPath().c_str()))
            complete = FALSE;
    }
    return complete;
}

CTarget* CTargetMap::FindTarget(const std::string& fileName) const
{
    const auto it = m_map.find(MakeKey(fileName));
    return it == m_map.end() ? nullptr : it->second.get();
}
