#pragma once
// The setup program's application object: start-up, the command line and the
// end of the run. It owns the run's state, the background window and the
// wizard; start-up builds them, applies the command line, opens the
// background window and shows the first wizard page; the run ends when the
// wizard destroys the background window.
#include "fw/App.h"
#include "fw/Handle.h"

#include <memory>

class CMainWnd;
struct SetupOptions;
class CRunState;
class CWizard;

class CSetupApp : public CWinApp {
public:
    CSetupApp();
    ~CSetupApp() override;

    BOOL InitInstance() override;
    // Ends the run: the pages are destroyed, the outcome goes to the status
    // report (an event in the install log when it cannot), the model is
    // released and, after a successful removal, the clean-up program starts.
    // The process ends with 0 when the run succeeded, 2 when it went on past
    // an error report, 3010 when it succeeded and files wait for the next
    // start of Windows, and 1 otherwise; a run refused at start ends with
    // its own code (kExitAlreadyRunning, kExitRunLogFailed) and touches
    // neither the status report nor the install log.
    int ExitInstance() override;
    // Windows ends the session. Between steps the run ends at once (failed
    // unless it is on its final page) and so does the process. During a step
    // the step is stopped, and the run ends as failed once the step has
    // returned, through the exit steps as always.
    void EndSession() override;
    // Reports it under "Setup cannot continue"; the run goes on.
    LRESULT ProcessWndProcException(const CException& e, const MSG* msg) override;

    static constexpr int kExitSuccess = 0;
    static constexpr int kExitFailed = 1;
    static constexpr int kExitItemsSkipped = 2;
    static constexpr int kExitRestartNeeded = 3010;
    static constexpr int kExitAlreadyRunning = 1618;
    static constexpr int kExitRunLogFailed = 1622;

private:
    // Applies the options of the command line; FALSE when the run cannot
    // start (a run log that cannot be opened, another run under way, a
    // source directory that is no usable location).
    BOOL ApplyCommandLine();
    // Opens the run log '/L:' names and writes its first line; FALSE, with
    // the refusal's exit code set, when it cannot be opened.
    BOOL OpenRunLog(const SetupOptions& options);
    // Takes the machine-wide mark of a running setup; FALSE, with the
    // refusal's exit code set, when another run holds it.
    BOOL TakeRunMark();
    // Tells of a refusal at start (no box under quiet answers).
    void Refuse(int exitCode, const std::string& message);
    // Hands error reports and message boxes to the run log.
    void RecordPromptsInRunLog();
    int ExitCode(BOOL succeeded) const;

    // The exit code of a run refused at start; 0 for a run that started.
    int m_nRefusal = 0;
    CHandle m_runMark;
    std::unique_ptr<CRunState> m_pRun;
    std::unique_ptr<CMainWnd> m_pBackground;
    std::unique_ptr<CWizard> m_pWizard;
};
