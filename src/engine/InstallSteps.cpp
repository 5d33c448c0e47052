// The steps that install one member: its destination and scratch file, the
// expansion, then the rules (InstallFile.cpp), the install log and the targets.
#include "engine/InstallFile.h"

#include "app/SetupApp.h"
#include "engine/ArchiveItem.h"
#include "fw/Handle.h"
#include "install/SharedDllCount.h"
#include "profile/DestinationMap.h"
#include "profile/InstallLog.h"
#include "profile/TargetMap.h"

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
    try {
        m_pItem->ExtractMember(*this);
    } catch (...) {
        DiscardScratch(*this);
        throw;
    }
    if (const CSetupApp& app = SetupApp(); app.m_pArchiveItems)
        app.m_pArchiveItems->m_scratchFiles.CleanBeside(m_scratchPath);
    ApplyRules();
    RecordInLog();
    UpdateTarget();
}

void CInstallFile::PrepareDestination()
{
    const CSetupApp& app = SetupApp();
    const std::string name = LastPathComponent(m_strName);
    const CPathName directory = app.m_pDestinations->GetPath(m_header.destination);
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
    if (app.m_pArchiveItems)
        app.m_pArchiveItems->m_scratchFiles.TakeOwnNames();

    // '.' and '..' would name the directory or its parent.
    m_finalPath = directory;
    if (name.empty() || name == "." || name == ".." || !m_finalPath.SetFileName(name))
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
                CreateNewOutput(scratch.GetPath());
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
    const CSetupApp& app = SetupApp();
    if (m_pItem && m_pItem->m_pGroup)
        WriteInstalledFile(*app.m_pLogPath, m_pItem->m_pGroup->m_strKey, m_finalPath.GetFileName(),
                           m_header.destination, m_bInstalled, m_bReplaced,
                           app.m_pArchiveItems ? &app.m_pArchiveItems->m_logLines : nullptr);
    if (m_header.destination == DEST_SYSTEM) {
        CSharedDllCount count(m_finalPath);
        count.Increment();
    }
}

void CInstallFile::UpdateTarget()
{
    if (CTarget* target = SetupApp().m_pTargets->FindTarget(LastPathComponent(m_strName)))
        target->m_path = m_finalPath;
}
