#include "wizard/SetupPage.h"

#include "app/SetupApp.h"
#include "errors/ErrorDialog.h"
#include "fw/Gdi.h"
#include "res/resource.h"
#include "ui/MainWnd.h"
#include "wizard/NavigationBar.h"

#include <map>
#include <memory>
#include <new>

namespace {

// The page map: every page made in this run, by id, owning it.
std::map<int, std::unique_ptr<CSetupPage>> g_pageMap;
// The page shown now.
CSetupPage* g_pCurrentPage = nullptr;

} // namespace

// ---- The page map and the way between pages ----------------------------------

CSetupPage* FindPage(int id)
{
    const auto found = g_pageMap.find(id);
    return found == g_pageMap.end() ? nullptr : found->second.get();
}

CSetupPage* GetCurrentPage()
{
    return g_pCurrentPage;
}

void ShowPage(int id, BOOL back)
{
    if (id == kEndOfSetup) {
        if (CWnd* background = SetupApp().m_pMainWnd)
            background->DestroyWindow();
        return;
    }
    CSetupPage* const previous = g_pCurrentPage;
    const int previousId = previous ? previous->m_nPageId : kNoPage;

    CSetupPage* page = nullptr;
    for (;;) {
        page = FindPage(id);
        if (!page)
            page = CreatePage(id);
        if (!page)
            AfxThrowResourceException();
        if (page->ShouldShow())
            break;
        id = back ? page->m_nPrevId : page->m_nNextId;
    }
    if (!back && page->m_nPrevId == kNoPage)
        page->m_nPrevId = previousId;

    g_pCurrentPage = page;
    if (page->m_hWnd) {
        page->ShowWindow(SW_SHOW);
    } else {
        if (!page->CreatePageWindow()) {
            g_pCurrentPage = previous;
            AfxThrowResourceException();
        }
        page->UpdateWindow();
    }
    if (previous && previous != page) {
        previous->m_bVisited = TRUE;
        previous->ShowWindow(SW_HIDE);
    }
}

void DestroyAllPages()
{
    g_pCurrentPage = nullptr;
    // Deleting a page destroys its window; the map is emptied first so that
    // nothing running during the destruction finds a page half gone.
    auto pages = std::move(g_pageMap);
    g_pageMap.clear();
    pages.clear();
}

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

CSetupPage* RegisterPage(std::unique_ptr<CSetupPage> page)
{
    CSetupPage* const registered = page.get();
    g_pageMap[registered->m_nPageId] = std::move(page);
    return registered;
}

// ---- CSetupPage ---------------------------------------------------------------

CSetupPage::CSetupPage(int pageId, int nextId)
    : CDialog(static_cast<UINT>(pageId)), m_nPageId(pageId), m_nNextId(nextId), m_nNavBarId(IDD_NAVIGATION_BAR)
{
}

CSetupPage::~CSetupPage()
{
    if (g_pCurrentPage == this)
        g_pCurrentPage = nullptr;
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
    ShowPage(m_nNextId, FALSE);
}

void CSetupPage::GoBack()
{
    ShowPage(m_nPrevId, TRUE);
}

void CSetupPage::MarkFailed()
{
    m_nNextId = IDD_FAILED;
    SetupApp().m_bSuccess = FALSE;
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

BOOL CSetupPage::EnableControl(int id, BOOL enable) const
{
    HWND control = GetDlgItem(id);
    if (!control)
        return FALSE;
    ::EnableWindow(control, enable);
    return TRUE;
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
    if (SetupApp().m_bBatch)
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
    if (CMainWnd* background = SetupApp().GetBackground(); background && background->m_hWnd) {
        if (CPalette* palette = background->GetPalette(); palette && palette->GetSafeHandle()) {
            CClientDC dc(m_hWnd);
            HPALETTE old = ::SelectPalette(dc.Get(), palette->GetSafeHandle(), FALSE);
            ::RealizePalette(dc.Get());
            if (old)
                ::SelectPalette(dc.Get(), old, FALSE);
        }
        background->Invalidate(TRUE);
    }
    CDialog::OnActivateApp(active, threadId);
}

namespace {

// Reports an exception that escaped a step or an unattended page's OnOK.
template <class Work>
bool RunReportingFailure(Work&& work)
{
    try {
        work();
        return true;
    } catch (const CException& e) {
        ErrorMessage(IDS_SETUP_CANNOT_CONTINUE, e);
    } catch (const std::bad_alloc&) {
        ErrorMessage(IDS_SETUP_CANNOT_CONTINUE, CMemoryException());
    }
    return false;
}

} // namespace

void CSetupPage::RunStep()
{
    int next = IDD_FAILED;
    if (!RunReportingFailure([this, &next] { next = Step(); }))
        MarkFailed();
    // A step that pumps messages may outlive its page: the user confirmed
    // Cancel meanwhile and the failure page is shown. Its late result must
    // not move the wizard away from there.
    if (g_pCurrentPage != this)
        return;
    if (next != kNoPage)
        ShowPage(next, FALSE);
    else if (SetupApp().m_bBatch)
        GoOnUnattended();
}

void CSetupPage::GoOnUnattended()
{
    RunReportingFailure([this] { OnOK(); });
    if (g_pCurrentPage == this && m_nNextId != kEndOfSetup) {
        MarkFailed();
        GoNext();
    }
}
