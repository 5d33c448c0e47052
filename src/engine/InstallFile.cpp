// One member installed: its destination and scratch file, the expansion, the
// rules that decide over the scratch file, its line in the install log and
// the targets.
#include "engine/InstallFile.h"

#include "engine/ArchiveItem.h"
#include "engine/CopyStep.h"
#include "engine/RunState.h"
#include "install/FileVersion.h"
#include "install/SharedDllCount.h"
#include "profile/DestinationMap.h"
#include "profile/IniFileWriter.h"
#include "profile/InstallLog.h"
#include "profile/TargetMap.h"

#include <cstdint>
#include <ctime>

namespace {

std::string VersionText(const CFileVersion& version, BOOL loaded)
{
    WORD part[4] = {};
    if (!loaded || !version.GetFixedVersion(part[0], part[1], &part[2], &part[3]))
        return "-";
    return std::to_string(part[0]) + "." + std::to_string(part[1]) + "." + std::to_string(part[2]) + "." +
           std::to_string(part[3]);
}

// A file time as the archives record it, in UTC.
std::string TimeText(std::int32_t time)
{
    const std::time_t t = time;
    std::tm parts{};
    if (gmtime_s(&parts, &t) != 0)
        return std::to_string(time);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

// A file whose version resource is missing or cannot be read counts as unversioned.
BOOL HasFixedVersion(CFileVersion& version, const char* path)
{
    WORD major = 0, minor = 0;
    return version.Load(path) && version.GetFixedVersion(major, minor);
}

// CPathName::Exists for a plain file name: the attributes are one look-up
// where a directory search is several calls to the Wine server. Names with
// wildcards, and answers other than "not there", go the search's way.
BOOL IsThere(const CPathName& path)
{
    const std::string name = path.GetFileName();
    if (name.find_first_of("*?") == std::string::npos) {
        if (::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
            return TRUE;
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return FALSE;
    }
    return path.Exists();
}

} // namespace

BOOL CInstallFile::FindExisting(CPathName& out) const
{
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

BOOL CInstallFile::ShouldReplace(const CPathName& existing, ReplaceReason* why) const
{
    CFileVersion existingVersion, newVersion;
    const BOOL existingHasVersion = HasFixedVersion(existingVersion, existing);
    const BOOL newHasVersion = HasFixedVersion(newVersion, m_scratchPath);
    if (existingHasVersion || newHasVersion) {
        if (why)
            *why = {"version", VersionText(newVersion, newHasVersion), VersionText(existingVersion, existingHasVersion)};
        if (existingHasVersion && newHasVersion)
            return newVersion.IsNewerThan(existingVersion);
        return newHasVersion;
    }
    // The times are compared as the signed 32-bit values archives record.
    const auto newTime = static_cast<std::int32_t>(m_scratchPath.GetModifiedTime());
    const auto existingTime = static_cast<std::int32_t>(existing.GetModifiedTime());
    if (why)
        *why = {"time", TimeText(newTime), TimeText(existingTime)};
    return newTime > existingTime;
}

void CInstallFile::ApplyRules()
{
    m_bInstalled = FALSE;
    m_bReplaced = FALSE;
    m_bNewer = FALSE;
    m_existing.Empty();
    m_reason = {};
    CPathName& existing = m_existing;
    const auto destination = m_header.destination;
    if (destination != DEST_WINDOWS && destination != DEST_SYSTEM) {
        // The scratch file takes its final name at once when that name is
        // free: a rename that does not replace is the test whether it is.
        // Under Wine every look-up of a name that is not there reads the
        // whole folder; a new file is looked up once instead of twice.
        if (PutInPlace())
            return;
        const DWORD error = ::GetLastError();
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS || IsThere(m_finalPath))
            existing = m_finalPath;
    } else if (!FindExisting(existing) && PutInPlace()) {
        return;
    }
    CloseScratch();
    // A new file that could not take its name goes, as does one that loses to
    // the copy already there.
    m_bNewer = !existing.IsEmpty() && ShouldReplace(existing, &m_reason);
    if (m_bNewer)
        ReplaceExisting(existing);
    else
        m_scratchPath.Delete(TRUE);
}

BOOL CInstallFile::ScheduleReplace(const CPathName& existing)
{
    if (!ReplaceOnRestart(m_scratchPath, existing, m_pfnDelayedMove))
        return FALSE;
    if (m_pRestartNeeded)
        *m_pRestartNeeded = TRUE;
    return TRUE;
}

// The scratch file takes its final name: by the handle it was expanded
// through while that is open, which spares opening it again, and closed then.
BOOL CInstallFile::PutInPlace()
{
    if (IsOpen()) {
        const std::wstring exact = m_pFolder ? m_pFolder->NewPathOf(m_finalPath.GetFileName()) : std::wstring();
        m_bInstalled = RenameOpen(m_finalPath, exact.empty() ? nullptr : exact.c_str());
        const DWORD error = ::GetLastError();
        if (m_bInstalled && m_pFolder)
            m_pFolder->Add(m_finalPath.GetFileName());
        CloseScratch();
        ::SetLastError(error);
    } else {
        m_bInstalled = m_scratchPath.Rename(m_finalPath);
    }
    return m_bInstalled;
}

// Everything was written before the rules began (CloseOutput): nothing is
// left to fail at the close.
void CInstallFile::CloseScratch() noexcept
{
    if (IsOpen())
        Abort();
}

// The new file takes the existing file's place in one rename that replaces
// it, so that the final path holds the old or the new file at every moment,
// even when the run is killed. A file that cannot be replaced so (a program
// runs it, or holds it open with delete sharing) makes way by a rename aside
// instead, never by a delete: a deleted file cannot be brought back when the
// new one fails to take its place. The old file then goes only after the new
// one is in place. A file that cannot even be renamed is in use: it is
// replaced at the next start.
void CInstallFile::ReplaceExisting(const CPathName& existing)
{
    if (::lstrcmpiA(existing, m_finalPath) != 0) {
        ReplaceInOtherFolder(existing);
        return;
    }
    if (ReplaceInOneRename()) {
        m_bInstalled = TRUE;
        m_bReplaced = TRUE;
        return;
    }
    CPathName aside = existing;
    if (!aside.MakeUniqueName(TRUE, 1000) || !existing.Rename(aside)) {
        ReplaceInUse(existing);
        return;
    }
    if (m_pFolder)
        m_pFolder->Add(aside.GetFileName());
    if (PutInPlace()) {
        m_bReplaced = TRUE;
        DiscardAside(aside);
        return;
    }
    // The new file could not be renamed into place (another program holds
    // it): the old one takes its name back. Should even that fail, both
    // files stay under their own names and nothing is deleted.
    if (aside.Rename(existing))
        m_scratchPath.Delete(TRUE);
}

// MoveFileEx with MOVEFILE_REPLACE_EXISTING: one rename(2) under Wine. A
// read-only file refuses it, so the attribute goes first and comes back when
// the rename fails.
BOOL CInstallFile::ReplaceInOneRename()
{
    const DWORD attributes = ::GetFileAttributesA(m_finalPath);
    const BOOL readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly && !::SetFileAttributesA(m_finalPath, attributes & ~FILE_ATTRIBUTE_READONLY))
        return FALSE;
    if (::MoveFileExA(m_scratchPath, m_finalPath, MOVEFILE_REPLACE_EXISTING))
        return TRUE;
    if (readOnly)
        ::SetFileAttributesA(m_finalPath, attributes);
    return FALSE;
}

// A Windows or System member whose copy lies in the other folder. A file of
// the same name in its own folder keeps the new file from its name. Otherwise
// the new file takes its name first and the old copy goes after, so that one
// of them is there at every moment; a copy that cannot go is in use: the new
// file goes back to its scratch name and replaces the copy where it lies at
// the next start.
void CInstallFile::ReplaceInOtherFolder(const CPathName& existing)
{
    if (m_finalPath.Exists()) {
        m_scratchPath.Delete(TRUE);
        return;
    }
    if (!m_scratchPath.Rename(m_finalPath)) {
        m_scratchPath.Delete(TRUE);
        return;
    }
    if (existing.Delete(TRUE)) {
        m_bInstalled = TRUE;
        m_bReplaced = TRUE;
        return;
    }
    if (m_finalPath.Rename(m_scratchPath))
        ReplaceInUse(existing);
    else
        m_bInstalled = TRUE;  // both copies stay where they are
}

// The new file waits under its scratch name for the next start. When no rename
// can be recorded for it, it is discarded and the old file stays as it was.
void CInstallFile::ReplaceInUse(const CPathName& existing)
{
    if (!ScheduleReplace(existing)) {
        m_scratchPath.Delete(TRUE);
        return;
    }
    m_bReplaced = TRUE;
    // The rename at the next start cannot replace a read-only file.
    const DWORD attributes = ::GetFileAttributesA(existing);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        ::SetFileAttributesA(existing, attributes & ~FILE_ATTRIBUTE_READONLY);
}

// The old file, renamed aside, once the new one is in place. A program still
// running it (a mapped image can be renamed but not deleted) keeps it from
// being deleted now: it is deleted at the next start where Windows records
// that, and otherwise stays under its aside name.
void CInstallFile::DiscardAside(const CPathName& aside) const
{
    if (!aside.Delete(TRUE))
        m_pfnDelayedMove(aside, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
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

// ---- The steps of one member -------------------------------------------------------

namespace {

// Random names tried for a scratch file.
constexpr int kScratchNameTries = 1000;

bool SamePath(const CPathName& a, const CPathName& b)
{
    return ::lstrcmpiA(a, b) == 0;
}

// The scratch file of a member that failed or was cancelled: the run's own
// file, created new under a random name, never the destination itself.
void DiscardScratch(CInstallFile& file) noexcept
{
    file.Abort();
    if (!file.m_scratchPath.IsEmpty() && !SamePath(file.m_scratchPath, file.m_finalPath))
        file.m_scratchPath.Delete(TRUE);
}

} // namespace

void CInstallFile::Install()
{
    if (m_header.destination == DEST_NONE)
        return;
    m_bInstalled = FALSE;
    m_bReplaced = FALSE;
    PrepareDestination();
    m_pStep->RecordAhead(*this);
    try {
        m_pItem->ExtractMember(*this);
    } catch (...) {
        DiscardScratch(*this);
        throw;
    }
    m_pStep->GetScratchFiles().CleanBeside(m_scratchPath);
    ApplyRules();
    ReportDecision();
    RecordInLog();
    UpdateTarget();
}

void CInstallFile::ReportDecision()
{
    CRunState& run = m_pStep->GetRun();
    run.m_nInstalledBytes += m_header.size;
    if (!run.m_runLog.IsOpen())
        return;
    const bool compared = !m_existing.IsEmpty();
    run.m_runLog.Write("file", {DecisionName(), m_finalPath.GetPath(), compared ? m_reason.by : "-",
                                compared ? m_reason.newValue : "-", compared ? m_reason.existingValue : "-",
                                compared ? m_existing.GetPath() : "-"});
}

// What ApplyRules did, as the run log names it.
const char* CInstallFile::DecisionName() const noexcept
{
    if (m_existing.IsEmpty())
        return m_bInstalled ? "new" : "failed";
    if (!m_bNewer)
        return "kept";
    if (m_bInstalled)
        return m_bReplaced ? "replaced" : "beside";  // beside: the copy in the other folder stays
    return m_bReplaced ? "restart" : "kept";
}

BOOL FinalPathFor(const CDestinationMap& destinations, short destination, const std::string& name, CPathName& out)
{
    const std::string last = LastPathComponent(name);
    out = destinations.GetPath(destination);
    // '.' and '..' would name the directory or its parent.
    return !out.IsEmpty() && !last.empty() && last != "." && last != ".." && out.SetFileName(last);
}

void CInstallFile::PrepareDestination()
{
    m_pFolder = nullptr;
    const std::string name = LastPathComponent(m_strName);
    const CPathName directory = m_pStep->GetRun().m_destinations.GetPath(m_header.destination);
    if (directory.IsEmpty())
        AfxThrowFileException(CFileException::badPath, -1, name);
    // The members of an archive mostly share their directory: it is created
    // (or entered) once for a run of them. Should it have gone since, the
    // scratch file below finds no path and it is made again.
    bool directoryMade = false;
    if (!SamePath(directory, m_preparedDirectory)) {
        m_preparedDirectory.Empty();
        directory.CreateDirectoryOrThrow(TRUE);
        m_preparedDirectory = directory;
        directoryMade = true;
    }
    m_pStep->GetScratchFiles().TakeOwnNames();
    m_pFolder = &m_pStep->GetScratchFiles().EnterFolder(directory);

    if (!FinalPathFor(m_pStep->GetRun().m_destinations, m_header.destination, m_strName, m_finalPath))
        AfxThrowFileException(CFileException::badPath, -1, directory.GetPath() + name);

    // The scratch file is created here, new, so that the member is never
    // expanded over a file that was there before. Creating it is the test
    // whether a name is free: a name that is taken fails with "exists". It
    // stays open as the member's output.
    for (int attempt = 0; attempt < kScratchNameTries; ++attempt) {
        CPathName scratch = m_finalPath;
        if (!scratch.MakeUniqueName(FALSE, 1))
            break;
        if (SamePath(scratch, m_finalPath))
            continue;
        for (;;) {
            DWORD error = ERROR_SUCCESS;
            try {
                // A name that no file of the folder has in any case is
                // created by its exact path, without a search of the folder.
                const std::wstring exact = m_pFolder->NewPathOf(scratch.GetFileName());
                CreateNewOutput(scratch.GetPath(), exact.empty() ? nullptr : exact.c_str());
                m_pFolder->Add(scratch.GetFileName());
                m_scratchPath = scratch;
                return;
            } catch (const CFileException& e) {
                error = static_cast<DWORD>(e.m_lOsError);
            }
            if (error == ERROR_PATH_NOT_FOUND && !directoryMade) {
                directory.CreateDirectoryOrThrow(TRUE);
                m_preparedDirectory = directory;
                directoryMade = true;
                continue;  // the same name again
            }
            // A directory of that name may answer otherwise than "exists".
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS && !scratch.Exists())
                CFileException::ThrowOsError(static_cast<long>(error), scratch.GetPath());
            break;
        }
    }
    AfxThrowFileException(CFileException::directoryFull, ERROR_FILE_EXISTS, m_finalPath.GetPath());
}

void CInstallFile::RecordInLog()
{
    if (m_pItem && m_pItem->m_pGroup)
        WriteInstalledFile(m_pStep->GetLog(), m_pItem->m_pGroup->m_strKey, m_finalPath.GetFileName(),
                           m_header.destination, m_bInstalled, m_bReplaced);
    if (m_header.destination == DEST_SYSTEM) {
        CSharedDllCount count(m_finalPath);
        count.Increment();
        m_pStep->GetRun().m_runLog.Write("shared", {m_finalPath.GetPath(), std::to_string(count.GetNumber())});
    }
}

void CInstallFile::UpdateTarget()
{
    if (CTarget* target = m_pStep->GetRun().m_targets.FindTarget(LastPathComponent(m_strName)))
        target->m_path = m_finalPath;
}
