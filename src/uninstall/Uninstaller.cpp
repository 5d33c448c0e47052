#include "uninstall/Uninstaller.h"

#include "fw/App.h"
#include "fw/Handle.h"
#include "install/SharedDllCount.h"
#include "profile/DestinationMap.h"
#include "rules/Destinations.h"
#include "profile/FileGroupMap.h"
#include "rules/ProfileFields.h"
#include "profile/ProfileSection.h"
#include "system/ProgramCommand.h"
#include "system/RunLog.h"
#include "profile/ProgramItems.h"

#include <algorithm>
#include <utility>
#include <vector>

CUninstaller::CUninstaller(const CPathName& log, const CDestinationMap& destinations, const CFileGroupMap& groups,
                           CTargetMap& targets, std::string programFile, std::string groupName,
                           ShowProgress showProgress, CRunLog* runLog)
    : m_log(log),
      m_destinations(destinations),
      m_groups(groups),
      m_targets(targets),
      m_strProgramFile(std::move(programFile)),
      m_strGroupName(std::move(groupName)),
      m_showProgress(std::move(showProgress)),
      m_paths(log, destinations),
      m_pRunLog(runLog)
{
}

namespace {

void Record(CRunLog* log, std::initializer_list<std::string> fields)
{
    if (log)
        log->Write("remove", fields);
}

std::string SystemError(DWORD error)
{
    return "error " + std::to_string(error);
}

} // namespace

void CUninstaller::Run()
{
    RunUninstallCommand();
    if (RemoveInstalledFiles())
        RemoveDestinationDirectories();
}

void CUninstaller::RunUninstallCommand()
{
    CPathName program;
    if (!m_paths.GetFilePath(m_strProgramFile, DEST_MAIN, program))
        return;
    const std::string command = MakeCommandLine(program.GetPath(), " /uninstall");
    const CHandle process = StartProgram(command);
    Record(m_pRunLog, {"command", command, process ? "started" : SystemError(::GetLastError())});
    if (process)
        ::WaitForSingleObject(process.Get(), kUninstallWait);
}

BOOL CUninstaller::RemoveInstalledFiles()
{
    // Removal takes every group, selected or not: the log lists only what was installed.
    for (const auto& entry : m_groups)
        if (!RemoveGroupFiles(*entry.second))
            return FALSE;
    CRemovalPaths::ForgetCutTargetPaths(m_log, m_targets);
    RemoveProgramItems(m_strGroupName, m_targets, AfxPumpMessages,
                       [this](const std::string& caption, const std::string&, BOOL done) {
                           if (m_pRunLog)
                               m_pRunLog->Write("item", {"remove", m_strGroupName, caption, "",
                                                         done ? "done" : "failed"});
                       });
    return TRUE;
}

BOOL CUninstaller::RemoveGroupFiles(const CFileGroup& group)
{
    CProfileSection section(group.m_strKey);
    section.SetFile(m_log);
    CProfileString line;
    for (BOOL more = section.FirstKey(line); more; more = section.NextKey(line)) {
        line.SetText("");
        line.Load();
        // Fields 1 and 2, the installed and replaced flags, do not matter here.
        std::int16_t destination = DEST_NONE;
        GetShortField(destination, line.GetText(), 0);
        if (!RemoveRecordedFile(line.GetKey(), destination))
            return FALSE;
    }
    return TRUE;
}

BOOL CUninstaller::RemoveRecordedFile(const std::string& fileName, std::int16_t destinationId)
{
    CPathName path;
    if (!m_paths.GetFilePath(fileName, destinationId, path)) {
        Record(m_pRunLog, {"passed", fileName, "not a file of the installation's directories",
                           std::to_string(destinationId)});
        return TRUE;
    }
    if (m_showProgress && !m_showProgress(path))
        return FALSE;
    if (destinationId == DEST_SYSTEM) {
        CSharedDllCount count(path);
        count.Decrement();
        Record(m_pRunLog, {"shared", path.GetPath(), "count " + std::to_string(count.GetNumber())});
        return TRUE;
    }
    if (path.Delete(TRUE)) {
        Record(m_pRunLog, {"deleted", path.GetPath()});
        return TRUE;
    }
    const DWORD error = ::GetLastError();
    const bool gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    Record(m_pRunLog, {gone ? "missing" : "kept", path.GetPath(), gone ? "not there" : SystemError(error)});
    return TRUE;
}

void CUninstaller::RemoveDestinationDirectories()
{
    std::vector<CPathName> directories;
    for (const auto& entry : m_destinations) {
        CPathName directory;
        if (entry.first >= 0 && m_paths.GetDirectory(entry.first, directory))
            directories.push_back(directory);
    }
    // Deepest first: a destination below another ('C:\PELTO\SAMPLES\') must
    // be gone before its parent can be, whatever the ids' order.
    std::stable_sort(directories.begin(), directories.end(), [](const CPathName& a, const CPathName& b) {
        return a.GetPath().size() > b.GetPath().size();
    });
    for (const CPathName& directory : directories) {
        const BOOL removed = directory.RemoveDirectory();
        const DWORD error = ::GetLastError();
        Record(m_pRunLog, {"directory", directory.GetPath(), removed ? "removed" : "kept",
                           removed ? "" : SystemError(error)});
    }
}
