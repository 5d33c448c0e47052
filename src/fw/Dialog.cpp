#include "fw/Dialog.h"

#include "fw/App.h"
#include "fw/WindowTable.h"

#include <cstring>

// ---- Data exchange -------------------------------------------------------

HWND CDataExchange::PrepareCtrl(int id)
{
    HWND control = m_pDlgWnd ? m_pDlgWnd->GetDlgItem(id) : nullptr;
    if (!control)
        AfxThrowResourceException();
    m_hWndLastControl = control;
    return control;
}

void CDataExchange::Fail()
{
    if (m_hWndLastControl) {
        ::SetFocus(m_hWndLastControl);
        if (::SendMessageA(m_hWndLastControl, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
            ::SendMessageA(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    AfxThrowUserException();
}

void DDX_Text(CDataExchange* dx, int id, std::string& value)
{
    HWND control = dx->PrepareCtrl(id);
    if (dx->m_bSaveAndValidate)
        value = CWnd::GetWindowText(control);
    else
        ::SetWindowTextA(control, value.c_str());
}

// ---- Dialogs -------------------------------------------------------------

HWND CDialog::OwnerWindow() const noexcept
{
    if (m_pParentWnd)
        return m_pParentWnd->m_hWnd;
    CWinApp* app = AfxGetApp();
    return app ? app->GetMainHwnd() : nullptr;
}

INT_PTR CDialog::DoModal()
{
    if (AfxQuietAnswers())
        return IDCANCEL;
    m_bModal = true;
    const INT_PTR result = ::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), OwnerWindow(),
                                             DialogProc, reinterpret_cast<LPARAM>(this));
    m_bModal = false;
    return result;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent)
{
    if (templateId)
        m_nIDTemplate = templateId;
    if (parent)
        m_pParentWnd = parent;
    m_bModal = false;
    HWND hwnd = ::CreateDialogParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), OwnerWindow(),
                                     DialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr && hwnd == m_hWnd;
}

void CDialog::EndDialog(int result)
{
    if (!m_hWnd)
        return;
    if (m_bModal)
        ::EndDialog(m_hWnd, result);
    else
        ::DestroyWindow(m_hWnd);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CUserException&) {
        return FALSE;
    }
    return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    if (m_bModal || !m_hWnd || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST)
        return FALSE;
    // A child dialog (a bar inside a page) leaves navigation to its top-level dialog.
    if (::GetWindowLongA(m_hWnd, GWL_STYLE) & WS_CHILD)
        return FALSE;
    return ::IsDialogMessageA(m_hWnd, msg);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

LRESULT CDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return OnInitDialog();
    return CWnd::OnMessage(message, wParam, lParam);
}

BOOL CDialog::OnCommand(UINT id, UINT code, HWND)
{
    if (code != BN_CLICKED)
        return FALSE;
    switch (id) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    default:
        return FALSE;
    }
}

HBRUSH CDialog::OnCtlColor(HDC dc, HWND control, UINT message)
{
    if (HBRUSH brush = AfxDialogCtlColor(dc, message))
        return brush;
    return CWnd::OnCtlColor(dc, control, message);
}

namespace {

// Messages whose answer the dialog procedure returns itself instead of
// through DWLP_MSGRESULT.
bool ReturnsAnswerDirectly(UINT message) noexcept
{
    switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

} // namespace

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG && lParam && !FromHandlePermanent(hwnd))
        reinterpret_cast<CDialog*>(lParam)->Attach(hwnd);
    CWnd* self = FromHandlePermanent(hwnd);
    if (!self)
        return FALSE;
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    bool defaulted = false;
    const LRESULT result = Dispatch(self, msg, true, defaulted);
    if (message == WM_NCDESTROY)
        self->OnFinalMessage(msg);  // the object may be gone now
    if (defaulted)
        return FALSE;
    if (ReturnsAnswerDirectly(message))
        return result;
    ::SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

// ---- Dialog colours ------------------------------------------------------

HBRUSH AfxDialogCtlColor(HDC dc, UINT message) noexcept
{
    switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORMSGBOX:
        break;
    default:
        return nullptr;
    }
    CWinApp* app = AfxGetApp();
    if (!app || !app->GetDialogBkBrush())
        return nullptr;
    ::SetTextColor(dc, app->GetDialogTextColor());
    ::SetBkColor(dc, app->GetDialogBkColor());
    return app->GetDialogBkBrush();
}

namespace {

thread_local HHOOK t_hColorHook = nullptr;
// The window procedure each coloured dialog had before.
using CColorSubclasses = CWindowTable<WNDPROC>;

LRESULT CALLBACK DialogColorsProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC previous = CColorSubclasses::Instance().Find(hwnd);
    switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORMSGBOX:
        // A CDialog answers for itself (it may colour some controls its own way).
        if (!CWnd::FromHandlePermanent(hwnd))
            if (HBRUSH brush = AfxDialogCtlColor(reinterpret_cast<HDC>(wParam), message))
                return reinterpret_cast<LRESULT>(brush);
        break;
    case WM_NCDESTROY:
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        CColorSubclasses::Instance().Remove(hwnd);
        break;
    default:
        break;
    }
    return previous ? ::CallWindowProcA(previous, hwnd, message, wParam, lParam)
                    : ::DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK DialogColorsHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        HWND hwnd = reinterpret_cast<HWND>(wParam);
        char className[16] = {};
        if (::GetClassNameA(hwnd, className, sizeof className) && std::strcmp(className, "#32770") == 0 &&
            !CColorSubclasses::Instance().Contains(hwnd)) {
            const LONG_PTR previous = ::GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
            CColorSubclasses::Instance().Set(hwnd, reinterpret_cast<WNDPROC>(previous));
            ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DialogColorsProc));
        }
    }
    return ::CallNextHookEx(t_hColorHook, code, wParam, lParam);
}

} // namespace

void AfxHookDialogColors() noexcept
{
    if (!t_hColorHook)
        t_hColorHook = ::SetWindowsHookExA(WH_CBT, DialogColorsHook, nullptr, ::GetCurrentThreadId());
}

void AfxUnhookDialogColors() noexcept
{
    if (t_hColorHook) {
        ::UnhookWindowsHookEx(t_hColorHook);
        t_hColorHook = nullptr;
    }
}
