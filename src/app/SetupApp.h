#pragma once
// The setup program's application object. It owns everything that lives for
// the whole run: the install model, the three paths of the run, the product's
// strings and the run flags. Start-up builds them, applies the command line,
// opens the background window and shows the first wizard page; the run ends
// when the wizard destroys the background window.
#include "fw/App.h"
#include "system/PathName.h"

#include <memory>
#include <string>

class CArchiveItemList;
class CDestinationMap;
class CDisketteArray;
class CFileGroupMap;
class CMainWnd;
class CTargetMap;

class CSetupApp : public CWinApp {
public:
    CSetupApp();
    ~CSetupApp() override;

    BOOL InitInstance() override;
    // Ends the run: the pages are destroyed, the outcome goes to the status
    // report (an event in the install log when it cannot), the model is
    // released and, after a successful removal, the clean-up program starts.
    // The process ends with 0 when the run succeeded and 1 otherwise.
    int ExitInstance() override;
    // Reports it under "Setup cannot continue"; the run goes on.
    LRESULT ProcessWndProcException(const CException& e, const MSG* msg) override;

    // The directory that holds the archive files of the current diskette.
    BOOL SetSourceDirectory(const std::string& text);
    // TRUE when file `name` of diskette `disk` can now be read from the source
    // directory: it is there, or in the sibling directory of a diskette set
    // copied to disk (the source directory moves there), or the user showed
    // where it is in the diskette prompt (the source directory moves there
    // too). FALSE when the user refused. A name that cannot be joined to the
    // source directory throws the framework's file exception (bad path).
    BOOL LocateSourceFile(const std::string& name, int disk);
    // Writes the install model into the install log: the destinations, the
    // groups and the targets that received an installed path. Lines that
    // cannot be written are passed over.
    void WriteInstallLog();
    // Writes the printf-formatted text (at most kEventTextSize - 1
    // characters) into section "Events" of the install log under the time
    // ('14:03:59:0123', the last part the tick count modulo 1000); an event of
    // the same key replaces it. Returns the text's length.
    int LogEvent(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    // Starts "_cleanup.exe" of the System directory with " /U /PP:" and the
    // short form of the setup profile's path, from the System directory,
    // without waiting; failures are ignored.
    void LaunchCleanupProgram();
    static constexpr std::size_t kEventTextSize = 512;
    // The background window; null before start-up created it.
    CMainWnd* GetBackground() const noexcept { return m_pBackground.get(); }

    std::string m_strTitle;
    std::string m_strGroupName;
    std::string m_strProductName;
    std::string m_strProgramFile;
    BOOL m_bUninstall = FALSE;
    std::unique_ptr<CDestinationMap> m_pDestinations;
    std::unique_ptr<CFileGroupMap> m_pGroups;
    std::unique_ptr<CTargetMap> m_pTargets;
    std::unique_ptr<CArchiveItemList> m_pArchiveItems;
    std::unique_ptr<CDisketteArray> m_pDiskettes;
    std::unique_ptr<CPathName> m_pProfilePath;
    std::unique_ptr<CPathName> m_pSourceDir;
    std::unique_ptr<CPathName> m_pLogPath;
    BOOL m_bSuccess = TRUE;
    BOOL m_bBatch = FALSE;
    BOOL m_bIgnoreConditions = FALSE;
    BOOL m_bRestartNeeded = FALSE;
    // An error report was answered Continue: the rest of that item was not
    // installed. The run goes on and may end as installed, but its exit code
    // tells an unattended caller that files are missing.
    BOOL m_bItemsSkipped = FALSE;

private:
    // Applies the options of the command line; FALSE when the run cannot
    // start (a source directory that is no usable location).
    BOOL ApplyCommandLine();
    void ReleaseModel() noexcept;

    std::unique_ptr<CMainWnd> m_pBackground;
};

// The application object of the running setup program.
CSetupApp& SetupApp();

// Parses a directory location typed by the user or given on the command line
// ('C:\PELTO', 'D:\Program Files\Pelto\', '\\server\share\Pelto') into `path`.
// FALSE for text that is no usable directory: empty, too long for a path, with
// characters a file name cannot hold, on a drive letter that names no drive,
// or (with `absolute`) without a drive or server, which would be taken
// relative to the current directory.
BOOL ParseLocation(const std::string& text, BOOL absolute, CPathName& path);

// `path` moved to the directory of diskette `disk` in a diskette set copied to
// disk, whose diskettes are sibling directories numbered by their last two
// characters: 'C:\SET\DISK01\PELTO.Z2' for diskette 2 gives
// 'C:\SET\DISK02\PELTO.Z2'. FALSE when the directory (without the drive) is no
// longer than 2 characters or its last two do not read as a non-zero number.
BOOL SiblingDisketteDirectory(const CPathName& path, int disk, CPathName& sibling);
