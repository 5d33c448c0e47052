#include "engine/InstallFile.h"

#include "install/FileVersion.h"
#include "profile/IniFileWriter.h"

#include <cstdint>

namespace {

// A file whose version resource is missing or cannot be read counts as unversioned.
BOOL HasFixedVersion(CFileVersion& version, const char* path)
{
    WORD major = 0, minor = 0;
    return version.Load(path) && version.GetFixedVersion(major, minor);
}

} // namespace

BOOL CInstallFile::FindExisting(CPathName& out) const
{
    const auto destination = m_header.destination;
    if (destination != DEST_WINDOWS && destination != DEST_SYSTEM) {
        if (!m_finalPath.Exists())
            return FALSE;
        out = m_finalPath;
        return TRUE;
    }
    const std::string fileName = m_finalPath.GetFileName();
    for (const int folder : {CPathName::pathWindowsDir, CPathName::pathSystemDir}) {
        CPathName candidate(folder);
        if (!candidate.IsEmpty() && candidate.SetFileName(fileName) && candidate.Exists()) {
            out = candidate;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CInstallFile::ShouldReplace(const CPathName& existing) const
{
    CFileVersion existingVersion, newVersion;
    const BOOL existingHasVersion = HasFixedVersion(existingVersion, existing);
    const BOOL newHasVersion = HasFixedVersion(newVersion, m_scratchPath);
    if (existingHasVersion && newHasVersion)
        return newVersion.IsNewerThan(existingVersion);
    if (existingHasVersion != newHasVersion)
        return newHasVersion;
    // The times are compared as the signed 32-bit values archives record.
    const auto newTime = static_cast<std::int32_t>(m_scratchPath.GetModifiedTime());
    const auto existingTime = static_cast<std::int32_t>(existing.GetModifiedTime());
    return newTime > existingTime;
}

void CInstallFile::ApplyRules()
{
    m_bInstalled = FALSE;
    m_bReplaced = FALSE;
    CPathName existing;
    if (!FindExisting(existing)) {
        if (!PutInPlace())
            m_scratchPath.Delete(TRUE);
    } else if (ShouldReplace(existing)) {
        m_bReplaced = TRUE;
        ReplaceExisting(existing);
    } else {
        m_scratchPath.Delete(TRUE);
    }
}

BOOL CInstallFile::ScheduleReplace(const CPathName& existing)
{
    if (!ReplaceOnRestart(m_scratchPath, existing, m_pfnDelayedMove))
        return FALSE;
    if (m_pRestartNeeded)
        *m_pRestartNeeded = TRUE;
    return TRUE;
}

// The scratch file takes its final name.
BOOL CInstallFile::PutInPlace()
{
    m_bInstalled = m_scratchPath.Rename(m_finalPath);
    return m_bInstalled;
}

// A failed delete of the existing file means it is in use: it is replaced at
// the next start. A copy of it is kept until the new file is in place, so that
// it can be put back when the new file cannot take its place (for a Windows or
// System member found in the other folder, a file of the same name may
// already hold m_finalPath).
void CInstallFile::ReplaceExisting(const CPathName& existing)
{
    CPathName backup = existing;
    const BOOL backedUp = backup.MakeUniqueName(TRUE, 1000) && ::CopyFileA(existing, backup, TRUE);
    if (backedUp && existing.Delete(TRUE)) {
        if (PutInPlace()) {
            backup.Delete(TRUE);
            return;
        }
        if (backup.Rename(existing)) {
            m_scratchPath.Delete(TRUE);
            m_bReplaced = FALSE;  // nothing was replaced
            return;
        }
        // The name is still taken: a file deleted while another program holds
        // it open with delete sharing keeps its name until it is closed. The
        // new file takes the name at the next start; the old one stays whole
        // under the copy's name.
        if (!ScheduleReplace(existing)) {
            m_scratchPath.Delete(TRUE);
            m_bReplaced = FALSE;
        }
        return;
    }
    if (backedUp)
        backup.Delete(TRUE);
    // Without a copy to fall back on the file is not deleted now either.
    if (!ScheduleReplace(existing)) {
        m_bReplaced = FALSE;
        m_scratchPath.Delete(TRUE);
    }
}

BOOL ReplaceOnRestart(const char* source, const char* target, DelayedMoveFunction moveFileEx)
{
    if (moveFileEx(source, target, MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING))
        return TRUE;
    CPathName wininit(CPathName::pathWindowsDir);
    if (wininit.IsEmpty() || !wininit.SetFileName("wininit.ini"))
        return FALSE;
    try {
        CIniFileWriter writer(wininit);
        return writer.AddEntry("rename", target, source);
    } catch (const CException&) {
        return FALSE;
    }
}
