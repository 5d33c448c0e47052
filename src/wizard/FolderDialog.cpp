#include "wizard/FolderDialog.h"

#include "fw/Strings.h"
#include "res/resource.h"
#include "system/PathName.h"

#include <dlgs.h>

namespace {

// The file-save dialog stands in for a folder browser: it needs a file name
// and a filter, which the user never sees.
constexpr const char kDefaultFileName[] = "jet.jet";
constexpr const char kFilter[] = "AllFiles (*.*) | *.* ||";
// The hidden current-directory control gets a width that holds any path, so
// that the common dialog writes the directory whole, not shortened to fit.
constexpr int kCurrentDirX = 0;
constexpr int kCurrentDirY = 150;
constexpr int kCurrentDirWidth = 800;
constexpr int kCurrentDirHeight = 20;

} // namespace

CFolderDialog::CFolderDialog(CWnd* parent)
    // OFN_ENABLEHOOK, which a template needs, is added by CFileDialog.
    : CFileDialog(FALSE, kDefaultFileName, OFN_HIDEREADONLY | OFN_SHOWHELP | OFN_ENABLETEMPLATE, kFilter, parent)
{
    m_ofn.lpTemplateName = MAKEINTRESOURCEA(IDD_FOLDER);
}

BOOL CFolderDialog::Browse(std::string& path, BOOL validate, BOOL showEditBox, BOOL askCreate)
{
    if (path.empty()) {
        AfxMessageBox(IDS_PATH_EMPTY);
        return FALSE;
    }
    m_strPath = path;
    m_bValidate = validate;
    m_bShowEditBox = showEditBox;
    m_bAskCreate = askCreate;

    // Up to the deepest level that exists. At the root RemoveLastDirectory
    // changes nothing: a drive that cannot be entered at all (or a path that
    // is no usable directory) starts in the Windows directory.
    CPathName start;
    start.SetDriveDirectory(path);
    while (!start.EnterDirectory()) {
        const std::string before = start.GetPath();
        start.RemoveLastDirectory();
        if (start.GetPath() == before) {
            start = CPathName(CPathName::pathWindowsDir);
            break;
        }
    }
    m_strStartDir = start.GetPath();
    m_ofn.lpstrInitialDir = m_strStartDir.c_str();

    m_bInitialized = FALSE;
    const INT_PTR result = DoModal();
    m_bInitialized = FALSE;
    if (result != IDOK)
        return FALSE;
    path = m_strPath;
    return TRUE;
}

BOOL CFolderDialog::OnInitDialog()
{
    CFileDialog::OnInitDialog();
    if (HWND currentDir = GetDlgItem(stc1))
        ::MoveWindow(currentDir, kCurrentDirX, kCurrentDirY, kCurrentDirWidth, kCurrentDirHeight, FALSE);
    ::ShowWindow(GetDlgItem(IDC_FOLDER_PATH), m_bShowEditBox ? SW_SHOW : SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_FOLDER_PATH_TEXT), m_bShowEditBox ? SW_HIDE : SW_SHOW);
    CenterWindow();
    // The common dialog has already written its directory; keep it.
    m_strCurrentDir = GetDlgItemText(stc1);
    m_strPathText = m_strPath;
    UpdateData(FALSE);
    m_bInitialized = TRUE;
    return TRUE;
}

void CFolderDialog::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, stc1, m_strCurrentDir);
    DDX_Text(dx, IDC_FOLDER_PATH, m_strPath);
    DDX_Text(dx, IDC_FOLDER_PATH_TEXT, m_strPathText);
}

void CFolderDialog::OnLBSelChangedNotify(UINT, UINT, UINT)
{
    if (!m_bInitialized)
        return;
    UpdateData(TRUE);
    m_strPath = m_strCurrentDir;
    m_strPathText = m_strCurrentDir;
    UpdateData(FALSE);
}

void CFolderDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_strPath.empty()) {
        Tell(AfxLoadString(IDS_PATH_EMPTY), MB_OK);
        return;
    }
    if (m_bValidate) {
        CPathName directory;
        if (!directory.SetDriveDirectory(m_strPath)) {
            Tell(StringFormat(AfxLoadString(IDS_INVALID_LOCATION).c_str(), m_strPath.c_str()), MB_OK);
            return;
        }
        if (!directory.DirectoryExists()) {
            if (m_bAskCreate &&
                Tell(StringFormat(AfxLoadString(IDS_CREATE_FOLDER_QUESTION).c_str(), m_strPath.c_str()),
                     MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
                return;
            if (!directory.CreateDirectory(TRUE)) {
                Tell(AfxLoadString(IDS_CANNOT_CREATE_DIRECTORY), MB_OK);
                return;
            }
        }
    }
    CFileDialog::OnOK();
}

int CFolderDialog::Tell(const std::string& text, UINT type) const
{
    // The caption AfxMessageBox gives: the program's file name.
    char program[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, program, MAX_PATH);
    const std::string name(program, length < MAX_PATH ? length : 0);
    const std::string caption = name.substr(name.find_last_of('\\') + 1);
    return ::MessageBoxA(m_hWnd, text.c_str(), caption.empty() ? nullptr : caption.c_str(), type);
}
