#pragma once
// The state of one run of the setup program: the install model read from the
// setup profile (or the install log), the three paths of the run, the
// product's strings and the run flags. The application object owns it; the
// wizard's pages and the copy step are handed it. Writing the install log and
// its events report nothing: a line that cannot be written is passed over.
#include "engine/ArchiveItem.h"
#include "profile/DestinationMap.h"
#include "profile/DisketteArray.h"
#include "profile/FileGroupMap.h"
#include "profile/TargetMap.h"
#include "system/PathName.h"
#include "system/RunLog.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class ILogLines;

class CRunState {
public:
    // The product's strings from the string table; the profile beside the
    // program, the source directory the program's own, the install log in the
    // Windows directory.
    CRunState();
    CRunState(const CRunState&) = delete;
    CRunState& operator=(const CRunState&) = delete;

    // Reads the model from the profile (the install log when removing),
    // calling `pump` after each part. A removal also takes the program group
    // from the log; a log without one leaves the product's own group.
    void LoadModel(const std::function<void()>& pump);
    // The directory that holds the archive files of the current diskette.
    BOOL SetSourceDirectory(const std::string& text);
    // Writes the install model into the install log: the destinations, the
    // groups and the targets that received an installed path, then the
    // program group, key "Name" of section "Program group", which the removal
    // takes its items from (a log of an earlier version has none).
    void WriteInstallLog(ILogLines& log) const;
    // Writes the printf-formatted text (at most kEventTextSize - 1
    // characters) into section "Events" of the install log under the time
    // ('14:03:59:0123', the last part the tick count modulo 1000); an event of
    // the same key replaces it. Returns the text's length.
    int LogEvent(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    static constexpr std::size_t kEventTextSize = 512;

    std::string m_strTitle;
    std::string m_strGroupName;
    std::string m_strProductName;
    std::string m_strProgramFile;

    CDestinationMap m_destinations;
    CFileGroupMap m_groups;
    CTargetMap m_targets;
    CArchiveItemList m_archiveItems;
    CDisketteArray m_diskettes;
    CPathName m_profilePath;
    CPathName m_sourceDir;
    CPathName m_logPath;

    BOOL m_bUninstall = FALSE;
    BOOL m_bSuccess = TRUE;
    BOOL m_bBatch = FALSE;
    // '/Q': unattended, and nothing waits for a person: error reports,
    // prompts and questions are answered by themselves.
    BOOL m_bQuiet = FALSE;
    BOOL m_bIgnoreConditions = FALSE;
    BOOL m_bRestartNeeded = FALSE;
    // An error report was answered Continue: the rest of that item was not
    // installed. The run goes on and may end as installed, but its exit code
    // tells an unattended caller that files are missing.
    BOOL m_bItemsSkipped = FALSE;
    // Windows ends the session while a step is under way: the step stops as
    // at a confirmed cancel, without a question, and the run ends as failed
    // once it has.
    BOOL m_bSessionEnded = FALSE;

    // The bytes of the files this run put in place, now or at the next start.
    std::uint64_t m_nInstalledBytes = 0;
    // The administrator's run log ('/L:'); not open when none was asked for.
    CRunLog m_runLog;
};
