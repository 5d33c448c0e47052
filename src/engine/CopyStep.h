#pragma once
// The copy step of an installation: every selected archive item in diskette
// order, found on its diskette and installed member by member, then the
// program items and the install model in the install log. The install log is
// written through a CInstallLogWriter: its file lines are gathered in memory,
// and the log is replaced whole by a newer version before a file is put in
// place that has no line in it yet, so that the log on disk never lacks a
// file that stands at its final path. It works on the
// run's state it is handed and asks its host (IInstallHost) for the rest.
// Failures are reported through the host and recorded in the run's flags;
// nothing escapes Run.
#include "engine/InstallHost.h"
#include "engine/ScratchFiles.h"
#include "profile/InstallLogWriter.h"

#include <cstdint>
#include <string>

class CArchiveItem;
class CInstallFile;
class CRunState;

class CCopyStep {
public:
    CCopyStep(CRunState& run, IInstallHost& host);
    CCopyStep(const CCopyStep&) = delete;
    CCopyStep& operator=(const CCopyStep&) = delete;

    // TRUE when every item was installed or passed over by a Continue and
    // the run has not failed.
    BOOL Run();

    // TRUE when file `name` of diskette `disk` can now be read from the source
    // directory: it is there, or in the sibling directory of a diskette set
    // copied to disk (the source directory moves there), or the host showed
    // where it is (the source directory moves there too). FALSE when the user
    // refused. A name that cannot be joined to the source directory throws
    // the framework's file exception (bad path).
    BOOL LocateSourceFile(const std::string& name, int disk);
    // Where volume `name` of diskette `disk` is found without asking: beside
    // the volume at `current`, or in the sibling directory of diskette
    // `disk` of a set copied to disk. Changes nothing.
    BOOL FindVolumeWithoutAsking(const std::string& current, const std::string& name, int disk,
                                 std::string& found) const;
    // `name` in the source directory; throws as LocateSourceFile.
    CPathName SourcePath(const std::string& name) const;

    // The member being installed, from its scope's beginning to its end
    // however the installation ends, so that nothing looks at a file that is
    // gone.
    class CFileScope {
    public:
        CFileScope(CCopyStep& step, CInstallFile& file) : m_step(step) { m_step.BeginFile(file); }
        ~CFileScope() { m_step.EndFile(); }
        CFileScope(const CFileScope&) = delete;
        CFileScope& operator=(const CFileScope&) = delete;

    private:
        CCopyStep& m_step;
    };
    // Every 4096 bytes of packed data while a file is current and the run
    // has not failed: the host's progress; a cancel stops the item.
    void OnProgress(CArchiveItem& item);
    void AddFinishedBytes(std::uint32_t bytes) noexcept { m_nFinishedBytes += bytes; }

    CRunState& GetRun() const noexcept { return m_run; }
    IInstallHost& GetHost() const noexcept { return m_host; }
    CScratchFiles& GetScratchFiles() noexcept { return m_scratchFiles; }
    CInstallLogWriter& GetLog() noexcept { return m_log; }
    // Before file is put in place: unless its line is in the install log on
    // disk already, a line that stands for it, and for every member that
    // follows it in the volume being read, goes there in a new version of the
    // log. The run's model goes with it, so that removal can read the log.
    void RecordAhead(CInstallFile& file);

private:
    BOOL CopyItems();
    void ReservePlainFiles();
    void BeginFile(CInstallFile& file);
    void EndFile() noexcept;

    CRunState& m_run;
    IInstallHost& m_host;
    // What earlier runs left beside the files this run installs.
    CScratchFiles m_scratchFiles;
    // The install log while the step writes it.
    CInstallLogWriter m_log;
    std::uint32_t m_nFinishedBytes = 0;  // of the files finished so far
    CInstallFile* m_pCurrentFile = nullptr;  // not owned
};
