#pragma once
// The removal of an installation recorded in the install log, from the model
// that the removal run loaded from that log: the product's own program is
// asked to clean up, the recorded files of every group are deleted (files of
// the System directory only lose a shared count), the program items and the
// group go, and the destination directories that became empty are removed.
// Only paths that CRemovalPaths accepts are used. Nothing is reported: what
// cannot be removed stays. Each deletion, and each file passed over and why,
// goes to the run log when one is handed over.
#include "uninstall/RemovalPaths.h"

#include <cstdint>
#include <functional>
#include <string>

class CDestinationMap;
class CRunLog;
class CFileGroupMap;
class CTargetMap;
struct CFileGroup;

class CUninstaller {
public:
    // Called before each file is removed, with its path: the page that hosts
    // the removal lets waiting messages through and shows the path. FALSE
    // stops the removal there: that file and all that comes after it stay,
    // for a later removal from the same install log.
    using ShowProgress = std::function<BOOL(const CPathName& path)>;

    // The model must outlive the object. The paths of targets whose lines
    // came back cut are emptied before the program items are removed.
    CUninstaller(const CPathName& log, const CDestinationMap& destinations, const CFileGroupMap& groups,
                 CTargetMap& targets, std::string programFile, std::string groupName, ShowProgress showProgress,
                 CRunLog* runLog = nullptr);

    // The whole removal: RunUninstallCommand, RemoveInstalledFiles,
    // RemoveDestinationDirectories (not after a stop).
    void Run();

    // Starts the product's program in destination 0 with " /uninstall" and
    // waits for it at most kUninstallWait milliseconds.
    void RunUninstallCommand();
    // The files of every group's section, then the program items and group.
    // FALSE when the progress stopped it.
    BOOL RemoveInstalledFiles();
    // The files listed in the group's section of the log; none without one.
    // FALSE when the progress stopped it.
    BOOL RemoveGroupFiles(const CFileGroup& group);
    // A file of the System directory (DEST_SYSTEM) is shared: its count is
    // lowered and the file stays. Any other is deleted, read-only or not.
    // FALSE when the progress stopped the removal before the file.
    BOOL RemoveRecordedFile(const std::string& fileName, std::int16_t destinationId);
    // Every destination of id 0 or above, when its directory is empty.
    void RemoveDestinationDirectories();

    static constexpr DWORD kUninstallWait = 2000;

private:
    CPathName m_log;
    const CDestinationMap& m_destinations;
    const CFileGroupMap& m_groups;
    CTargetMap& m_targets;
    std::string m_strProgramFile;
    std::string m_strGroupName;
    ShowProgress m_showProgress;
    CRemovalPaths m_paths;
    CRunLog* m_pRunLog;
};
