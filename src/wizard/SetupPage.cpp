#include "wizard/SetupPage.h"

#include "engine/RunState.h"
#include "errors/ErrorDialog.h"
#include "fw/Gdi.h"
#include "res/resource.h"
#include "ui/MainWnd.h"
#include "wizard/NavigationBar.h"
#include "wizard/Wizard.h"

#include <memory>
#include <new>

namespace {

// The copy step reaches the pump after every member and every 4096 bytes of
// packed data, thousands of times a second; under Wine each look at the queue
// is a call to the Wine server. Messages wait at most this long instead.
constexpr DWORD kPumpIntervalMs = 10;
DWORD g_nLastPumpTick = 0;
bool g_bPumped = false;

} // namespace

void PumpMessages()
{
    AfxPumpMessages();
    g_nLastPumpTick = ::GetTickCount();
    g_bPumped = true;
}

BOOL PumpMessagesIfDue()
{
    if (g_bPumped && ::GetTickCount() - g_nLastPumpTick < kPumpIntervalMs)
        return FALSE;
    PumpMessages();
    return TRUE;
}

// ---- CSetupPage ---------------------------------------------------------------

CSetupPage::CSetupPage(CWizard& wizard, int pageId, int nextId)
    : CDialog(static_cast<UINT>(pageId)),
      m_nPageId(pageId),
      m_nNextId(nextId),
      m_nNavBarId(IDD_NAVIGATION_BAR),
      m_wizard(wizard),
      m_run(wizard.GetRun())
{
}

CSetupPage::~CSetupPage()
{
    m_wizard.Forget(this);
    // While the page is whole: its navigation bar goes with the window.
    if (m_hWnd)
        DestroyWindow();
}

void CSetupPage::PlacePage()
{
    CenterWindow();
}

int CSetupPage::Step()
{
    return kNoPage;
}

BOOL CSetupPage::ConfirmCancel()
{
    return AfxMessageBox(IDS_CONFIRM_EXIT_SETUP, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

BOOL CSetupPage::ShouldShow()
{
    return TRUE;
}

BOOL CSetupPage::CreatePageWindow()
{
    return Create(m_nIDTemplate, nullptr);
}

void CSetupPage::GoNext()
{
    m_wizard.ShowPage(m_nNextId, FALSE);
}

void CSetupPage::GoBack()
{
    m_wizard.ShowPage(m_nPrevId, TRUE);
}

void CSetupPage::MarkFailed()
{
    m_nNextId = IDD_FAILED;
    m_run.m_bSuccess = FALSE;
}

void CSetupPage::OnOK()
{
    GoNext();
}

void CSetupPage::OnCancel()
{
    if (m_nNextId == kEndOfSetup) {
        OnOK();
        return;
    }
    if (ConfirmCancel()) {
        MarkFailed();
        GoNext();
    }
}

std::string CSetupPage::GetListSelection(int id) const
{
    HWND list = GetDlgItem(id);
    const LRESULT selection = list ? ::SendMessageA(list, LB_GETCURSEL, 0, 0) : LB_ERR;
    if (selection == LB_ERR)
        return {};
    const LRESULT length = ::SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(selection), 0);
    if (length == LB_ERR)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied = ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(selection),
                                          reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied == LB_ERR ? 0 : static_cast<std::size_t>(copied));
    return text;
}

void CSetupPage::CreateNavigationBar()
{
    if (m_nNavBarId == 0)
        return;
    auto bar = std::make_unique<CNavigationBar>(*this);
    if (!bar->Create(static_cast<UINT>(m_nNavBarId), this))
        AfxThrowResourceException();
    m_pNavBar = bar.release();  // the bar deletes itself with its window
}

BOOL CSetupPage::OnInitDialog()
{
    CreateNavigationBar();
    CDialog::OnInitDialog();
    PlacePage();
    if (m_run.m_bBatch)
        ::MoveWindow(m_hWnd, 0, 0, 0, 0, TRUE);
    ShowWindow(SW_SHOW);
    ::PostMessageA(m_hWnd, WM_PAGE_STEP, 0, 0);
    return TRUE;
}

LRESULT CSetupPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAGE_STEP) {
        RunStep();
        return 0;
    }
    return CDialog::OnMessage(message, wParam, lParam);
}

BOOL CSetupPage::OnCommand(UINT id, UINT code, HWND control)
{
    if (id == IDC_BACK && code == BN_CLICKED) {
        GoBack();
        return TRUE;
    }
    return CDialog::OnCommand(id, code, control);
}

void CSetupPage::OnActivateApp(BOOL active, DWORD threadId)
{
    if (CMainWnd* background = &m_wizard.GetBackground(); background->m_hWnd) {
        if (CPalette* palette = background->GetPalette(); palette && palette->Get()) {
            CClientDC dc(m_hWnd);
            HPALETTE old = ::SelectPalette(dc.Get(), palette->Get(), FALSE);
            ::RealizePalette(dc.Get());
            if (old)
                ::SelectPalette(dc.Get(), old, FALSE);
        }
        background->Invalidate(TRUE);
    }
    CDialog::OnActivateApp(active, threadId);
}

namespace {

// Reports an exception that escaped a step or an unattended page's OnOK;
// FALSE when one did. A CUserException stands for work stopped on purpose,
// which has nothing to report, and once the session has ended nobody is
// there to answer a report.
template <class Work>
bool RunReportingFailure(const CRunState& run, Work&& work)
{
    const auto report = [&run](const CException& e) {
        if (!run.m_bSessionEnded)
            ErrorMessage(IDS_SETUP_CANNOT_CONTINUE, e);
    };
    try {
        work();
        return true;
    } catch (const CUserException&) {
    } catch (const CException& e) {
        report(e);
    } catch (const std::bad_alloc&) {
        report(CMemoryException());
    } catch (...) {
        report(CUnknownException());
    }
    return false;
}

} // namespace

void CSetupPage::RunStep()
{
    const CWizard::CStepScope underWay(m_wizard);
    int next = IDD_FAILED;
    if (!RunReportingFailure(m_run, [this, &next] { next = Step(); }))
        MarkFailed();
    // A step that pumps messages may outlive its page: the user confirmed
    // Cancel meanwhile and the failure page is shown. Its late result must
    // not move the wizard away from there.
    if (!m_run.m_bSessionEnded && m_wizard.IsCurrent(this)) {
        if (next != kNoPage)
            m_wizard.ShowPage(next, FALSE);
        else if (m_run.m_bBatch)
            GoOnUnattended();
    }
    // Windows ended the session while this ran: the step has stopped, and
    // the run ends here, once no other step is under way below this one.
    if (m_run.m_bSessionEnded && m_wizard.StepsUnderWay() == 1)
        m_wizard.ShowPage(kEndOfSetup);
}

void CSetupPage::GoOnUnattended()
{
    const bool wentOn = RunReportingFailure(m_run, [this] { OnOK(); });
    const bool refused = m_wizard.IsCurrent(this) && m_nNextId != kEndOfSetup;
    if (wentOn && !refused)
        return;
    MarkFailed();
    if (!m_wizard.IsCurrent(m_wizard.FindPage(IDD_FAILED)))
        m_wizard.ShowPage(IDD_FAILED, FALSE);
}
