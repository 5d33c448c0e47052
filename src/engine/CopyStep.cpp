#include "engine/CopyStep.h"

#include "engine/ArchiveItem.h"
#include "engine/InstallFile.h"
#include "engine/RunState.h"
#include "profile/InstallLog.h"
#include "profile/ProgramItems.h"
#include "rules/Destinations.h"
#include "system/Location.h"

namespace {

// A line that stands for the file a member or plain file becomes, until its
// own is written; none for a file that would get none.
void ReserveLine(ILogLines& lines, const CDestinationMap& destinations, const CFileGroup& group,
                 const std::string& name, short destination)
{
    CPathName path;
    if (destination != DEST_NONE && FinalPathFor(destinations, destination, name, path))
        WriteInstalledFile(lines, group.m_strKey, path.GetFileName(), destination, FALSE, FALSE);
}

} // namespace

CCopyStep::CCopyStep(CRunState& run, IInstallHost& host) : m_run(run), m_host(host), m_log(run.m_logPath)
{
}

BOOL CCopyStep::Run()
{
    m_log.Open();
    // A run that never ends leaves a log that removal reads as a whole one.
    m_log.SetInterimLines([this](ILogLines& lines) { m_run.WriteInstallLog(lines); });
    try {
        if (!CopyItems()) {
            m_log.Close();
            return FALSE;
        }
        // The program items' files are in the log before they are made.
        m_log.Flush();
        CreateProgramItems(m_run.m_strGroupName, m_run.m_targets, m_run.m_destinations.GetPath(DEST_MAIN),
                           [this] { m_host.LetMessagesThrough(FALSE); },
                           [this](const std::string& caption, const std::string& program, BOOL done) {
                               m_run.m_runLog.Write("item", {"add", m_run.m_strGroupName, caption, program,
                                                             done ? "done" : "failed"});
                           });
        m_run.WriteInstallLog(m_log);
    } catch (...) {
        m_log.Close();
        throw;
    }
    m_log.Close();
    return TRUE;
}

BOOL CCopyStep::CopyItems()
{
    ReservePlainFiles();
    for (const auto& item : m_run.m_archiveItems) {
        if (item->IsSelected()) {
            m_host.ItemBegun(item->m_strName);
            item->Install(*this);
        }
        if (!m_run.m_bSuccess)
            return FALSE;
    }
    return TRUE;
}

// The plain files' names are known before any of them is read.
void CCopyStep::ReservePlainFiles()
{
    for (const auto& item : m_run.m_archiveItems) {
        if (item->IsSelected() && item->m_nKind == ItemLine::kPlainFile)
            ReserveLine(m_log.Reservations(), m_run.m_destinations, *item->m_pGroup, item->m_strName, item->m_nDest);
    }
}

void CCopyStep::RecordAhead(CInstallFile& file)
{
    CArchiveItem* item = file.m_pItem;
    if (!item || !item->m_pGroup || m_log.IsInFile(item->m_pGroup->m_strKey, file.m_finalPath.GetFileName()))
        return;
    ILogLines& reserved = m_log.Reservations();
    WriteInstalledFile(reserved, item->m_pGroup->m_strKey, file.m_finalPath.GetFileName(), file.Header().destination,
                       FALSE, FALSE);
    if (item->m_nKind == ItemLine::kArchive) {
        item->VisitFollowingMembers(file, [&](const CMemberFile& member) {
            ReserveLine(reserved, m_run.m_destinations, *item->m_pGroup, member.GetName(),
                        member.Header().destination);
        });
    }
    m_log.Flush();
}

CPathName CCopyStep::SourcePath(const std::string& name) const
{
    CPathName path = m_run.m_sourceDir;
    if (!path.SetFileName(name))
        AfxThrowFileException(CFileException::badPath, -1, m_run.m_sourceDir.GetPath() + name);
    return path;
}

BOOL CCopyStep::FindVolumeWithoutAsking(const std::string& current, const std::string& name, int disk,
                                        std::string& found) const
{
    CPathName path(current);
    CPathName sibling;
    if (!path.SetFileName(name))
        return FALSE;
    if (path.Exists())
        found = path.GetPath();
    else if (SiblingDisketteDirectory(path, disk, sibling) && sibling.Exists())
        found = sibling.GetPath();
    else
        return FALSE;
    return TRUE;
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
