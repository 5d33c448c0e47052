#pragma once
// Dialogs made from templates in the program's resources, modal or modeless.
// The dialog procedure hands every message to OnMessage (CWnd), where commands
// reach OnCommand and from there named handlers (OnOK, OnCancel, ...). Data is
// exchanged between members and controls by DoDataExchange with the DDX_
// routines. Dialogs get the application's dialog colours (SetDialogBkColor).
#include "fw/Wnd.h"

#include <string>

class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) noexcept
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    // The dialog's control with `id`; a template without it throws the
    // framework's resource exception.
    HWND PrepareCtrl(int id);
    // Validation failed: the last control prepared gets the focus and the
    // exchange ends with CUserException (UpdateData answers FALSE).
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate;  // TRUE: controls to members
    CWnd* m_pDlgWnd;
    HWND m_hWndLastControl = nullptr;
};

// The text of a control.
void DDX_Text(CDataExchange* dx, int id, std::string& value);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId = 0, CWnd* parent = nullptr) noexcept
        : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

    // Runs the dialog modally: the value given to EndDialog, or -1 when the
    // dialog could not be created. The owner is the parent given or else the
    // application's main window.
    virtual INT_PTR DoModal();
    // Creates the dialog without waiting for it; FALSE on failure. Without a
    // parent, the application's main window owns it.
    BOOL Create(UINT templateId = 0, CWnd* parent = nullptr);
    // Ends a modal dialog with `result`; destroys a modeless one.
    void EndDialog(int result);
    // Runs DoDataExchange; FALSE when validation failed.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    // Keyboard navigation of a modeless top-level dialog (IsDialogMessage).
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL IsModal() const noexcept { return m_bModal; }

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

protected:
    // Default: controls filled from the members; TRUE lets the dialog manager
    // set the focus.
    virtual BOOL OnInitDialog();
    // Default: members from the controls, then EndDialog(IDOK).
    virtual void OnOK();
    // Default: EndDialog(IDCANCEL). Also the Escape key and the close command.
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange*) {}

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Buttons 1 (IDOK) and 2 (IDCANCEL) to OnOK and OnCancel.
    BOOL OnCommand(UINT id, UINT code, HWND control) override;
    // The application's dialog colours.
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT message) override;

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // While a modal loop runs the dialog (DoModal, or a derived class's own).
    bool m_bModal = false;

private:
    HWND OwnerWindow() const noexcept;
};

// The application's dialog colours for a colour request of a dialog or message
// box (WM_CTLCOLORDLG, ...STATIC, ...BTN, ...MSGBOX): sets the text and
// background colours and returns the brush; null when the application set no
// colours or the request is for another kind of control.
HBRUSH AfxDialogCtlColor(HDC dc, UINT message) noexcept;

// Dialogs of this thread that are not CDialog objects (message boxes, common
// dialogs) get the application's dialog colours too, through a window-creation
// hook. Installed by CWinApp::SetDialogBkColor, removed with the application.
void AfxHookDialogColors() noexcept;
void AfxUnhookDialogColors() noexcept;
