#pragma once
// The setup program's application object: start-up, the command line and the
// end of the run. It owns the run's state, the background window and the
// wizard; start-up builds them, applies the command line, opens the
// background window and shows the first wizard page; the run ends when the
// wizard destroys the background window.
#include "fw/App.h"

#include <memory>

class CMainWnd;
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
    // an error report and 1 otherwise.
    int ExitInstance() override;
    // Windows ends the session. Between steps the run ends at once (failed
    // unless it is on its final page) and so does the process. During a step
    // the step is stopped, and the run ends as failed once the step has
    // returned, through the exit steps as always.
    void EndSession() override;
    // Reports it under "Setup cannot continue"; the run goes on.
    LRESULT ProcessWndProcException(const CException& e, const MSG* msg) override;

private:
    // Applies the options of the command line; FALSE when the run cannot
    // start (a source directory that is no usable location).
    BOOL ApplyCommandLine();

    std::unique_ptr<CRunState> m_pRun;
    std::unique_ptr<CMainWnd> m_pBackground;
    std::unique_ptr<CWizard> m_pWizard;
};
