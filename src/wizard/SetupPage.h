#pragma once
// A page of the wizard (CWizard), handed the wizard and the run's state. A
// page that does work runs its Step as soon as its window has opened and
// names the page to show next; interactive pages wait for Next, Back or Cancel.
#include "fw/Dialog.h"

#include <windows.h>

#include <memory>
#include <string>

// Posted by a page to itself when its window has opened: run the step.
constexpr UINT WM_PAGE_STEP = WM_USER + 201;

// Page ids with a meaning of their own.
constexpr int kEndOfSetup = -1;  // showing it ends the run
constexpr int kNoPage = 0;       // no previous page; a step that stays

class CNavigationBar;
class CRunState;
class CWizard;

class CSetupPage : public CDialog {
public:
    CSetupPage(CWizard& wizard, int pageId, int nextId);
    ~CSetupPage() override;

    // Positions the page; centred on its owner.
    virtual void PlacePage();
    // The page's work, run once when the page has opened: the id of the page
    // to show next, or 0 to stay.
    virtual int Step();
    // Whether the user really wants to leave setup.
    virtual BOOL ConfirmCancel();
    // FALSE: ShowPage passes over the page.
    virtual BOOL ShouldShow();
    // Creates the page's window from its template, owned by the background
    // window; FALSE when that failed.
    virtual BOOL CreatePageWindow();

    void GoNext();
    void GoBack();
    // The run has failed: the next page is the failure page.
    void MarkFailed();

    // Next (and the OK command of pages with their own OK button): go on.
    void OnOK() override;
    // Cancel, Escape and the close command: a final page ends the run, any
    // other leaves setup for the failure page when the user confirms.
    void OnCancel() override;

    // The text of the current selection of a list box; empty without one.
    std::string GetListSelection(int id) const;

    int m_nPageId;
    int m_nNextId;
    int m_nNavBarId;
    BOOL m_bVisited = FALSE;
    int m_nPrevId = kNoPage;
    CNavigationBar* m_pNavBar = nullptr;  // owned by its window

protected:
    CWizard& m_wizard;
    CRunState& m_run;

    BOOL OnInitDialog() override;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(UINT id, UINT code, HWND control) override;
    void OnActivateApp(BOOL active, DWORD threadId) override;

private:
    // Creates the navigation bar as the page's child, when the page has one.
    void CreateNavigationBar();
    // Handler of WM_PAGE_STEP. Any exception from the step is reported and
    // fails the run on the failure page; a session that Windows ended
    // meanwhile ends the run once the step has returned.
    void RunStep();
    // An unattended page goes on by itself; when it refuses (its OnOK left it
    // current) or its OnOK throws, the run fails on the failure page instead
    // of waiting on an invisible page.
    void GoOnUnattended();
};

// Dispatches every waiting message of the thread (long steps call it between
// units of work); a quit message is posted again.
void PumpMessages();
// The same, unless the messages were let through less than a few milliseconds
// ago: for steps that reach it far more often than a user could notice. TRUE
// when it let them through.
BOOL PumpMessagesIfDue();
