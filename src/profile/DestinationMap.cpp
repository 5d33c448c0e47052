#include "profile/DestinationMap.h"

#include "errors/XException.h"
#include "profile/InstallLog.h"
#include "profile/ProfileSection.h"
#include "profile/ProfileString.h"
#include "rules/ProfileFields.h"

#include <string>

BOOL CDestination::Resolve(BOOL force)
{
    if (!HasBase())
        return TRUE;
    if (HasPath() && !force)
        return TRUE;
    const CDestination* base = m_pOwner->Lookup(m_nBaseId);
    if (!base || !base->HasPath())
        return FALSE;
    CPathName path = base->m_path;
    if (!path.AppendDirectory(m_strName))
        return FALSE;
    m_path = path;
    m_bResolved = TRUE;
    return TRUE;
}

void CDestination::ForgetResolvedPath() noexcept
{
    if (m_bResolved) {
        m_path.Empty();
        m_bResolved = FALSE;
    }
}

CDestinationMap::CDestinationMap()
{
    SetPath(DEST_WINDOWS, CPathName(CPathName::pathWindowsDir));
    SetPath(DEST_SYSTEM, CPathName(CPathName::pathSystemDir));
    SetPath(DEST_TEMP, CPathName(CPathName::pathTempDir));
}

CDestination& CDestinationMap::Get(short id)
{
    std::unique_ptr<CDestination>& slot = m_map[id];
    if (!slot)
        slot = std::make_unique<CDestination>(id, this);
    return *slot;
}

namespace {

// A destination's path names a directory, also when it was given without the
// trailing backslash ('C:\TOOLS'): read as a file path it would put the
// destination's own files beside it, in its parent ('C:\pelto.exe'). Empty
// when it cannot be held as a directory (too long with the backslash).
CPathName AsDirectory(const CPathName& path)
{
    if (path.GetFileName().empty())
        return path;
    CPathName directory;
    directory.SetDriveDirectory(path.GetPath());
    return directory;
}

} // namespace

void CDestinationMap::SetPath(short id, const CPathName& path)
{
    CDestination& destination = Get(id);
    destination.m_path = AsDirectory(path);
    destination.m_bResolved = FALSE;
}

void CDestinationMap::SetRelative(short id, const std::string& name, short baseId)
{
    CDestination& destination = Get(id);
    destination.m_strName = name;
    destination.m_nBaseId = baseId;
}

void CDestinationMap::ResolveAll()
{
    // Within one call a destination is resolved once its base has its final
    // path; a path kept from an earlier call could be stale.
    for (auto& entry : m_map)
        entry.second->ForgetResolvedPath();
    const std::size_t passes = m_map.size();
    for (std::size_t pass = 0; pass < passes; ++pass) {
        BOOL resolved = TRUE;
        for (auto& entry : m_map) {
            if (!entry.second->Resolve(FALSE))
                resolved = FALSE;
        }
        if (resolved)
            return;
    }
    throw CInstallProfileException(InstallProfileCode::unresolvedDestinations);
}

CDestination* CDestinationMap::Lookup(short id) const
{
    const auto it = m_map.find(id);
    return it == m_map.end() ? nullptr : it->second.get();
}

std::string CDestinationMap::GetName(short id) const
{
    const CDestination* destination = Lookup(id);
    return destination ? destination->m_strName : std::string();
}

CPathName CDestinationMap::GetPath(short id) const
{
    const CDestination* destination = Lookup(id);
    return destination ? destination->m_path : CPathName();
}

void CDestinationMap::LoadFromProfile(const CPathName& file)
{
    CProfileSection section("destinations");
    section.SetFile(file);
    CProfileString value;
    BOOL any = FALSE;
    for (BOOL more = section.FirstKey(value); more; more = section.NextKey(value)) {
        value.Load();
        const std::string& text = value.GetText();
        // The key is the id, read by the number rule of the fields (low 16 bits).
        std::int16_t id = 0;
        GetShortField(id, value.GetKey(), 0, '|');
        std::string name, path;
        std::int16_t baseId = DEST_NONE;
        GetField(name, text, 0, '|');
        GetShortField(baseId, text, 1, '|');
        GetField(path, text, 2, '|');
        SetRelative(id, name, baseId);
        SetPath(id, CPathName(path));
        any = TRUE;
    }
    if (!any)
        throw CInstallProfileException(InstallProfileCode::noDestinations);
}

BOOL CDestinationMap::WriteToLog(const CPathName& file) const
{
    CProfileLines lines(file);
    return WriteToLog(lines);
}

BOOL CDestinationMap::WriteToLog(ILogLines& log) const
{
    BOOL complete = TRUE;
    for (const auto& entry : m_map) {
        const CDestination& destination = *entry.second;
        if (destination.m_nId < 0)
            continue;
        if (!WriteLogLine(log, "destinations", std::to_string(destination.m_nId), "%s|%d|%s",
                          destination.m_strName.c_str(), destination.m_nBaseId, destination.m_path.GetPath().c_str()))
            complete = FALSE;
    }
    return complete;
}
