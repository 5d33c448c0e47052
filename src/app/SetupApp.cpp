#include "app/SetupApp.h"

#include "app/CommandLine.h"
#include "engine/RunState.h"
#include "errors/ErrorDialog.h"
#include "fw/Strings.h"
#include "res/resource.h"
#include "system/InstallStatus.h"
#include "system/Location.h"
#include "system/ProgramCommand.h"
#include "ui/MainWnd.h"
#include "wizard/SetupPage.h"
#include "wizard/Wizard.h"

namespace {

const char kProfileExtension[] = "ini";
const char kCleanupProgram[] = "_cleanup.exe";
const char kSetupVersion[] = "1.0";
// Held while a setup program runs on this machine: two runs would write one
// install log.
const char kRunMarkName[] = "Global\\PeltoSetupRun";

std::string WindowsVersion()
{
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!::GetVersionExA(&version))
        return "";
    return StringFormat("%lu.%lu.%lu", version.dwMajorVersion, version.dwMinorVersion,
                        version.dwBuildNumber & 0xFFFF);
}

std::string FullPath(const std::string& path)
{
    char full[MAX_PATH] = {};
    char* name = nullptr;
    const DWORD length = ::GetFullPathNameA(path.c_str(), sizeof full, full, &name);
    if (length == 0 || length >= sizeof full)
        return path;
    return full;
}

const char* AnswerName(int answer)
{
    switch (answer) {
    case IDOK: return "ok";
    case IDCANCEL: return "cancel";
    case IDYES: return "yes";
    case IDNO: return "no";
    case IDABORT: return "abort";
    case IDRETRY: return "retry";
    case IDIGNORE: return "ignore";
    default: return "none";
    }
}

// A current directory on a diskette or CD-ROM would hold the disk the user
// is asked to change: the run goes on in the Windows directory instead. All
// paths of the run are whole paths by then.
void LeaveRemovableCurrentDirectory()
{
    char current[MAX_PATH] = {};
    const DWORD length = ::GetCurrentDirectoryA(sizeof current, current);
    if (length < 2 || length >= sizeof current || current[1] != ':')
        return;
    const char root[] = {current[0], ':', '\\', '\0'};
    const UINT type = ::GetDriveTypeA(root);
    if (type != DRIVE_REMOVABLE && type != DRIVE_CDROM)
        return;
    char windows[MAX_PATH] = {};
    const UINT n = ::GetWindowsDirectoryA(windows, sizeof windows);
    if (n > 0 && n < sizeof windows)
        ::SetCurrentDirectoryA(windows);
}

// The short (8.3) form of an existing path; the path itself when Windows
// gives none.
std::string ShortPathName(const std::string& path)
{
    std::string shortPath(path.size() + 1, '\0');
    DWORD length = ::GetShortPathNameA(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
    if (length >= shortPath.size()) {
        shortPath.assign(length, '\0');
        length = ::GetShortPathNameA(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
    }
    if (length == 0 || length >= shortPath.size())
        return path;
    shortPath.resize(length);
    return shortPath;
}

// Starts "_cleanup.exe" of the System directory with " /U /PP:" and the
// short form of the setup profile's path, from the System directory,
// without waiting; failures are ignored.
void LaunchCleanupProgram()
{
    CPathName program(CPathName::pathSystemDir);
    CPathName profile;
    if (program.IsEmpty() || !program.SetFileName(kCleanupProgram) || !profile.SetModuleFileName() ||
        !profile.SetExtension(kProfileExtension))
        return;
    const std::string command =
        MakeCommandLine(program.GetPath(), " /U /PP:" + ShortPathName(profile.GetPath()));
    ::SetCurrentDirectoryA(program.GetDriveDirectory().c_str());
    StartProgram(command);
}

} // namespace

CSetupApp::CSetupApp() = default;

CSetupApp::~CSetupApp() = default;

BOOL CSetupApp::InitInstance()
{
    // Quiet from the first moment: a failure of start-up shows nothing either.
    if (GetSetupOptions(CCommandLine(m_strCmdLine.c_str(), '/')).quiet)
        AfxSetQuietAnswers(true);
    m_pRun = std::make_unique<CRunState>();
    CRunState& run = *m_pRun;

    SetDialogBkColor(RGB(192, 192, 192), RGB(0, 0, 0));

    if (!ApplyCommandLine())
        return FALSE;
    LeaveRemovableCurrentDirectory();

    m_pBackground = std::make_unique<CMainWnd>(run.m_strTitle, run.m_bBatch, run.m_bSuccess);
    if (!m_pBackground->CreateBackground()) {
        run.m_bSuccess = FALSE;
        return FALSE;
    }
    m_pMainWnd = m_pBackground.get();
    m_pWizard = std::make_unique<CWizard>(run, *m_pBackground);

    if (run.m_bUninstall) {
        run.m_profilePath = run.m_logPath;
        m_pWizard->ShowPage(IDD_REMOVE_CONFIRM, FALSE);
    } else {
        m_pWizard->ShowPage(IDD_WELCOME, FALSE);
    }
    return TRUE;
}

BOOL CSetupApp::ApplyCommandLine()
{
    CRunState& run = *m_pRun;
    const CCommandLine commandLine(m_strCmdLine.c_str(), '/');
    const SetupOptions options = GetSetupOptions(commandLine);
    run.m_bBatch = options.batch;
    run.m_bQuiet = options.quiet;
    run.m_bIgnoreConditions = options.ignoreConditions;
    run.m_bUninstall = options.uninstall;
    if (options.hasRunLog && !OpenRunLog(options))
        return FALSE;
    RecordPromptsInRunLog();
    if (!TakeRunMark())
        return FALSE;
    if (!options.sourceDir.empty()) {
        // A directory that cannot be taken whole must not leave the run
        // reading another diskette set than the one named.
        CPathName directory;
        if (!ParseLocation(options.sourceDir, FALSE, directory) ||
            !run.m_profilePath.SetDriveDirectory(options.sourceDir)) {
            run.m_runLog.Write("error", {"source", options.sourceDir, "not a valid location"});
            if (!run.m_bQuiet)
                AfxMessageBox(ExpandHeading(IDS_INVALID_LOCATION, options.sourceDir.c_str()).c_str(),
                              MB_OK | MB_ICONEXCLAMATION);
            run.m_bSuccess = FALSE;
            return FALSE;
        }
        run.SetSourceDirectory(options.sourceDir);
    }
    return TRUE;
}

BOOL CSetupApp::OpenRunLog(const SetupOptions& options)
{
    CRunState& run = *m_pRun;
    // Taken whole before the run leaves a diskette's current directory.
    const std::string& path = options.runLog;
    const std::string full = path.empty() ? path : FullPath(path);
    if (full.empty() || !run.m_runLog.Open(full)) {
        Refuse(kExitRunLogFailed, ExpandHeading(IDS_RUN_LOG_FAILED, path.c_str()));
        return FALSE;
    }
    CPathName program;
    program.SetModuleFileName();
    const std::string source = options.sourceDir.empty() ? run.m_sourceDir.GetPath() : options.sourceDir;
    run.m_runLog.Write("start", {program.GetPath(), kSetupVersion, m_strCmdLine, source,
                                 run.m_logPath.GetPath(), WindowsVersion(),
                                 run.m_bUninstall ? "remove" : "install"});
    return TRUE;
}

BOOL CSetupApp::TakeRunMark()
{
    m_runMark.Reset(::CreateMutexA(nullptr, FALSE, kRunMarkName));
    // Where no such mark can be made, the run goes on without one.
    if (!m_runMark.IsValid() || ::GetLastError() != ERROR_ALREADY_EXISTS)
        return TRUE;
    m_runMark.Reset();
    Refuse(kExitAlreadyRunning, AfxLoadString(IDS_SETUP_ALREADY_RUNNING));
    return FALSE;
}

void CSetupApp::Refuse(int exitCode, const std::string& message)
{
    m_nRefusal = exitCode;
    m_pRun->m_bSuccess = FALSE;
    m_pRun->m_runLog.Write("error", {"start", message});
    if (!m_pRun->m_bQuiet)
        AfxMessageBox(message.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void CSetupApp::RecordPromptsInRunLog()
{
    CRunLog* log = &m_pRun->m_runLog;
    if (!log->IsOpen())
        return;
    SetErrorReportRecorder([log](const ErrorReportRecord& report) {
        log->Write("error", {std::to_string(report.headingId), report.heading, report.title, report.info,
                             report.askMode ? (report.answer == IDOK ? "continue" : "cancel") : AnswerName(
                                 static_cast<int>(report.answer)),
                             report.quiet ? "quiet" : "user"});
    });
    AfxSetMessageBoxObserver([log](const char* text, int answer, bool quiet) {
        log->Write("message", {text, AnswerName(answer), quiet ? "quiet" : "user"});
    });
}

int CSetupApp::ExitCode(BOOL succeeded) const
{
    if (!succeeded)
        return kExitFailed;
    if (m_pRun->m_bItemsSkipped)
        return kExitItemsSkipped;
    return m_pRun->m_bRestartNeeded ? kExitRestartNeeded : kExitSuccess;
}

int CSetupApp::ExitInstance()
{
    m_pWizard.reset();
    if (!m_pRun)
        return kExitFailed;
    CRunState& run = *m_pRun;
    SetErrorReportRecorder(nullptr);
    AfxSetMessageBoxObserver(nullptr);
    if (m_nRefusal != 0) {
        run.m_runLog.Write("end", {std::to_string(m_nRefusal), "refused"});
        m_pBackground.reset();
        m_pRun.reset();
        return m_nRefusal;
    }
    // The framework's own code is not 0 when start-up or the loop failed.
    const BOOL succeeded = run.m_bSuccess && m_nExitCode == 0;
    const std::string status = AfxLoadString(succeeded ? IDS_STATUS_SUCCESS : IDS_STATUS_FAILED);
    if (!WriteInstallStatus(CPathName(run.m_strProgramFile).GetName().c_str(), "", run.m_strProductName.c_str(),
                            kSetupVersion, status.c_str(), succeeded, "ENU", nullptr))
        run.LogEvent("Could not write SMS status.");
    const BOOL uninstall = run.m_bUninstall;
    const int exitCode = ExitCode(succeeded);
    run.m_runLog.Write("end", {std::to_string(exitCode), succeeded ? "success" : "failed",
                               run.m_bRestartNeeded ? "restart" : "", run.m_bItemsSkipped ? "skipped" : ""});
    // The background window holds the run's success flag.
    m_pBackground.reset();
    m_pRun.reset();
    if (uninstall && succeeded)
        LaunchCleanupProgram();
    return exitCode;
}

void CSetupApp::EndSession()
{
    if (m_pRun && m_pWizard && m_pWizard->StepsUnderWay() > 0) {
        // The step below this message must not go on over a model and pages
        // that the exit steps release: it stops as at a confirmed cancel (a
        // question or prompt it waits in ends), and the step runner ends the
        // run once it has returned.
        m_pRun->m_bSessionEnded = TRUE;
        m_pRun->m_bSuccess = FALSE;
        AfxEndModalDialogs();
        return;
    }
    // Between steps: an installation or removal that has not reached its
    // final page has failed.
    if (m_pRun && !(m_pWizard && m_pWizard->IsOnFinalPage()))
        m_pRun->m_bSuccess = FALSE;
    CWinApp::EndSession();
}

LRESULT CSetupApp::ProcessWndProcException(const CException& e, const MSG*)
{
    ErrorMessage(IDS_SETUP_CANNOT_CONTINUE, e);
    return 0;
}
