#pragma once
// One member being installed, and the rules that decide what becomes of the
// scratch file it was expanded into: whether a copy already exists on the
// machine, whether the new file replaces it (by file version when both carry
// one, otherwise by modification time), and, when the existing copy cannot
// make way because it is in use, a rename that Windows carries out at its next
// start. No operation of the rules throws; an existing file is never lost:
// it stays, is replaced by the new file, or is replaced at the next start, and
// its path never goes without one of the two.
//
// The rules report a replacement that waits for the next start of Windows
// through a flag the owner hands over (SetRestartFlag): the copy step gives
// the run's m_bRestartNeeded. The flag is only ever raised.
#include "archive/MemberFile.h"
#include "rules/Destinations.h"
#include "system/PathName.h"

#include <string>

class CArchiveItem;
class CCopyStep;
class CDestinationMap;
class CFolderNames;

// The call that asks Windows to rename a file at its next start
// (MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT).
using DelayedMoveFunction = BOOL(WINAPI*)(LPCSTR source, LPCSTR target, DWORD flags);

// How the rules weighed a new file against the copy already there: by
// "version" (both carry one, or only one does) or by "time", and the two
// values compared, as the run log shows them.
struct ReplaceReason {
    std::string by;
    std::string newValue;
    std::string existingValue;
};

class CInstallFile : public CMemberFile {
public:
    // The scratch file stays open after its expansion until the rules have
    // given it its name. Install and its steps need the copy step; the rules
    // alone do not.
    explicit CInstallFile(CArchiveItem* pItem = nullptr, CCopyStep* pStep = nullptr) noexcept
        : m_pItem(pItem), m_pStep(pStep)
    {
        KeepOutputOpen(true);
    }

    // Raised to TRUE when a replacement has been scheduled; not owned.
    void SetRestartFlag(BOOL* pRestartNeeded) noexcept { m_pRestartNeeded = pRestartNeeded; }
    // The delayed-move call ScheduleReplace uses (see ReplaceOnRestart).
    void SetDelayedMove(DelayedMoveFunction moveFileEx) noexcept { m_pfnDelayedMove = moveFileEx; }

    // Installs the member whose header the object holds (for an archive
    // member, its packed data comes next in m_pItem): expanded into a new
    // scratch file beside its destination, then the rules, its line in the
    // install log (a System-directory file also counted as a shared
    // component) and the path of a target of the same name. A member for
    // DEST_NONE is not installed. Failures throw; the scratch file is then
    // removed and nothing is recorded.
    void Install();
    // Creates the destination directory, sets m_finalPath and creates the
    // scratch file under a new random name beside it; throws CFileException
    // when the member's name is no file name or no new name is free.
    void PrepareDestination();
    // The member's line "destination|installed|replaced" in its group's
    // section of the install log, and for DEST_SYSTEM its shared count raised,
    // whether or not the new file was put in place.
    void RecordInLog();
    // A target named like the member gets m_finalPath, even when the existing
    // file stayed.
    void UpdateTarget();

    // For the Windows and System destinations: a copy of the file already on
    // the machine in either folder, the Windows directory first. TRUE with its
    // path in out. (Other destinations find theirs by the rename to
    // m_finalPath, ApplyRules.)
    BOOL FindExisting(CPathName& out) const;
    // TRUE when the scratch file is to replace the copy at existing. A file
    // whose version resource cannot be read counts as unversioned; a file
    // that cannot be examined has time 0.
    BOOL ShouldReplace(const CPathName& existing, ReplaceReason* why = nullptr) const;
    // Carries out the decision for the scratch file and sets m_bInstalled and
    // m_bReplaced to what actually happened.
    void ApplyRules();
    // Has Windows rename the scratch file over existing at its next start and
    // raises the restart flag; FALSE (flag untouched) when nothing could be
    // scheduled.
    BOOL ScheduleReplace(const CPathName& existing);

    // Where the file is to be installed.
    CPathName m_finalPath;
    // The scratch file beside it that the member is expanded into.
    CPathName m_scratchPath;
    // The item the member comes from; not owned.
    CArchiveItem* m_pItem;
    // The new file was put in place under m_finalPath.
    BOOL m_bInstalled = FALSE;
    // An existing copy was found and is replaced, now or at the next start.
    BOOL m_bReplaced = FALSE;
    // The copy ApplyRules found already on the machine (empty: none), and
    // whether the new file was to replace it.
    CPathName m_existing;
    BOOL m_bNewer = FALSE;
    ReplaceReason m_reason;

private:
    // The rules' decision in the run log, and the installed bytes counted.
    void ReportDecision();
    const char* DecisionName() const noexcept;
    BOOL PutInPlace();
    void CloseScratch() noexcept;
    void ReplaceExisting(const CPathName& existing);
    BOOL ReplaceInOneRename();
    void ReplaceInOtherFolder(const CPathName& existing);
    void ReplaceInUse(const CPathName& existing);
    void DiscardAside(const CPathName& aside) const;

    // The copy step that installs the member: the run's destinations,
    // targets and install log, its scratch files and log-line writer; not owned.
    CCopyStep* m_pStep;
    BOOL* m_pRestartNeeded = nullptr;
    // The directory PrepareDestination last created or entered.
    CPathName m_preparedDirectory;
    // What the member's folder holds, as the copy step knows it; null for
    // the rules alone.
    CFolderNames* m_pFolder = nullptr;
    DelayedMoveFunction m_pfnDelayedMove = ::MoveFileExA;
};

// Where a member stored under `name` (which may hold a path) for
// `destination` is installed: the destination's directory and the name's
// last component. FALSE when the destination has no directory or the name
// names no file ('.', '..', nothing, too long a path).
BOOL FinalPathFor(const CDestinationMap& destinations, short destination, const std::string& name, CPathName& out);

// Makes Windows rename source to target at its next start, replacing target:
// by the delayed move where Windows accepts it (with MOVEFILE_REPLACE_EXISTING,
// without which Windows leaves an existing target in place and the rename is
// dropped), otherwise by a target=source line in section "rename" of
// "wininit.ini" in the Windows directory. TRUE when either recorded the
// rename. moveFileEx is replaceable so that the wininit.ini way can be
// exercised where the delayed move is never refused.
BOOL ReplaceOnRestart(const char* source, const char* target, DelayedMoveFunction moveFileEx = ::MoveFileExA);
