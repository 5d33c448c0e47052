#include "wizard/DiskettePromptDlg.h"

#include "fw/Gdi.h"
#include "fw/Strings.h"
#include "res/resource.h"
#include "system/Location.h"
#include "wizard/FolderDialog.h"

#include <utility>

CDiskettePromptDlg::CDiskettePromptDlg(const CPathName& missingFile, int disk, std::string label, CWnd* parent)
    : CExpandingDialog(IDD_DISKETTE_PROMPT, parent),
      m_strLocation(missingFile.GetDriveDirectory()),
      m_nDisk(disk),
      m_strLabel(std::move(label)),
      m_missingFile(missingFile)
{
}

BOOL AskForDiskette(const CPathName& missingFile, int disk, const std::string& label, std::string& location)
{
    CDiskettePromptDlg prompt(missingFile, disk, label);
    if (prompt.DoModal() != IDOK)
        return FALSE;
    location = prompt.m_strLocation;
    return TRUE;
}

void CDiskettePromptDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_LOCATION, m_strLocation);
}

BOOL CDiskettePromptDlg::OnInitDialog()
{
    const BOOL result = CExpandingDialog::OnInitDialog();
    const std::string& label = m_strLabel;
    const std::string drive = m_missingFile.GetDrive();
    const std::string request =
        label.empty()
            ? StringFormat(AfxLoadString(IDS_INSERT_DISKETTE).c_str(), m_nDisk, drive.c_str())
            : StringFormat(AfxLoadString(IDS_INSERT_LABELLED_DISKETTE).c_str(), label.c_str(), drive.c_str());
    const std::string explanation =
        StringFormat(AfxLoadString(IDS_DISKETTE_FILE_MISSING).c_str(), m_missingFile.GetPath().c_str());
    SetDlgItemText(IDC_PROMPT_REQUEST, request.c_str());
    SetDlgItemText(IDC_PROMPT_EXPLANATION, explanation.c_str());
    FitTextHeight(IDC_PROMPT_REQUEST);
    FitTextHeight(IDC_PROMPT_EXPLANATION);
    CenterWindow();
    return result;
}

BOOL CDiskettePromptDlg::OnCommand(UINT id, UINT code, HWND control)
{
    switch (id) {
    case IDC_PROMPT_BROWSE:
        if (code != BN_CLICKED)
            return FALSE;
        OnBrowse();
        return TRUE;
    default:
        return CExpandingDialog::OnCommand(id, code, control);
    }
}

void CDiskettePromptDlg::OnBrowse()
{
    UpdateData(TRUE);
    CFolderDialog folders(this);
    folders.Browse(m_strLocation, FALSE, FALSE, FALSE);
    UpdateData(FALSE);
}

void CDiskettePromptDlg::OnOK()
{
    UpdateData(TRUE);
    if (IsFileAtLocation()) {
        EndDialog(IDOK);
        return;
    }
    ::FlashWindow(m_hWnd, TRUE);
    ::FlashWindow(m_hWnd, FALSE);
    ::MessageBeep(MB_ICONASTERISK);
}

BOOL CDiskettePromptDlg::IsFileAtLocation() const
{
    CPathName path;
    return ParseLocation(m_strLocation, FALSE, path) && path.SetFileName(m_missingFile.GetFileName()) &&
           path.Exists();
}

void CDiskettePromptDlg::FitTextHeight(int id)
{
    HWND control = GetDlgItem(id);
    if (!control)
        return;
    RECT place{};
    ::GetWindowRect(control, &place);
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&place), 2);
    const std::string text = GetWindowText(control);
    RECT needed{0, 0, place.right - place.left, 0};
    {
        const CClientDC dc(control);
        const CSelectObject font(dc.Get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));
        // The flags a static text control draws its text with.
        ::DrawTextA(dc.Get(), text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    }
    const LONG grow = needed.bottom - (place.bottom - place.top);
    if (grow <= 0)
        return;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT rc{};
        ::GetWindowRect(child, &rc);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        if (rc.top >= place.bottom)
            ::SetWindowPos(child, nullptr, rc.left, rc.top + grow, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::SetWindowPos(control, nullptr, 0, 0, place.right - place.left, needed.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT window = GetWindowRect();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left, window.bottom - window.top + grow,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
