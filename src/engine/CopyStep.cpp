#include "engine/CopyStep.h"

#include "engine/ArchiveItem.h"
#include "engine/InstallFile.h"
#include "engine/RunState.h"
#include "profile/ProgramItems.h"
#include "rules/Destinations.h"
#include "system/Location.h"

BOOL CCopyStep::Run()
{
    {
        // The files' lines in the install log are written meanwhile, on a
        // thread of their own; all of them are in the file when this block
        // is left, however it is left.
        const CLogLineScope logLines(m_logLines);
        for (const auto& item : m_run.m_archiveItems) {
            if (item->IsSelected()) {
                m_host.ItemBegun(item->m_strName);
                item->Install(*this);
            }
            if (!m_run.m_bSuccess)
                return FALSE;
        }
    }
    CreateProgramItems(m_run.m_strGroupName, m_run.m_targets, m_run.m_destinations.GetPath(DEST_MAIN),
                       [this] { m_host.LetMessagesThrough(FALSE); });
    m_run.WriteInstallLog();
    return TRUE;
}

CPathName CCopyStep::SourcePath(const std::string& name) const
{
    CPathName path = m_run.m_sourceDir;
    if (!path.SetFileName(name))
        AfxThrowFileException(CFileException::badPath, -1, m_run.m_sourceDir.GetPath() + name);
    return path;
}

BOOL CCopyStep::LocateSourceFile(const std::string& name, int disk)
{
    const CPathName path = SourcePath(name);
    if (path.Exists())
        return TRUE;

    CPathName sibling;
    if (SiblingDisketteDirectory(path, disk, sibling) && sibling.Exists()) {
        m_run.SetSourceDirectory(sibling.GetDriveDirectory());
        return TRUE;
    }

    std::string location;
    if (!m_host.LocateDisketteFile(path, disk, location))
        return FALSE;
    m_run.SetSourceDirectory(location);
    return TRUE;
}

void CCopyStep::BeginFile(CInstallFile& file)
{
    m_pCurrentFile = &file;
    m_host.FileBegun(file);
}

void CCopyStep::EndFile() noexcept
{
    m_pCurrentFile = nullptr;
    m_host.FileEnded();
}

void CCopyStep::OnProgress(CArchiveItem& item)
{
    if (!m_pCurrentFile)
        return;
    if (!m_host.FileProgress(*m_pCurrentFile, m_nFinishedBytes + m_pCurrentFile->m_nBytesWritten)) {
        item.Abort();
        m_run.m_bSuccess = FALSE;
    }
}
