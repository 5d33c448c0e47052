#include "wizard/Pages.h"

#include "app/Registration.h"
#include "app/SetupApp.h"
#include "engine/ArchiveItem.h"
#include "engine/InstallFile.h"
#include "errors/ErrorDialog.h"
#include "fw/Strings.h"
#include "profile/DestinationMap.h"
#include "profile/DisketteArray.h"
#include "profile/FileGroupMap.h"
#include "profile/TargetMap.h"
#include "res/resource.h"
#include "system/ProgmanGroups.h"
#include "system/ProgramItems.h"
#include "uninstall/Uninstaller.h"
#include "wizard/FolderDialog.h"

#include <cctype>

namespace {

// The installation type the destination page selects the file groups for.
constexpr int kInstallationType = 2;

// The gauge's window style: child, visible, border.
constexpr DWORD kGaugeStyle = WS_CHILD | WS_VISIBLE | WS_BORDER;
static_assert(kGaugeStyle == 0x50800000);

// The copy page while its step runs.
CCopyPage* g_pCopyPage = nullptr;

// Makes a page the current copy page for the life of its step.
class CCopyPageScope {
public:
    explicit CCopyPageScope(CCopyPage* page) noexcept { g_pCopyPage = page; }
    ~CCopyPageScope() { g_pCopyPage = nullptr; }
    CCopyPageScope(const CCopyPageScope&) = delete;
    CCopyPageScope& operator=(const CCopyPageScope&) = delete;
};

// The first drive, 'A' to 'Z', that Windows reports as a fixed disk; 'C'
// when there is none, the drive Windows itself is usually on.
char FirstFixedDrive()
{
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        const char root[] = {letter, ':', '\\', '\0'};
        if (::GetDriveTypeA(root) == DRIVE_FIXED)
            return static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    }
    return 'C';
}

} // namespace

// ---- The page factory -----------------------------------------------------------

CSetupPage* CreatePage(int id)
{
    std::unique_ptr<CSetupPage> page;
    switch (id) {
    case IDD_WELCOME: page = std::make_unique<CWelcomePage>(); break;
    case IDD_READ_PROFILE: page = std::make_unique<CReadProfilePage>(); break;
    case IDD_CONDITIONS: page = std::make_unique<CConditionsPage>(); break;
    case IDD_DIRECTORY: page = std::make_unique<CDirectoryPage>(); break;
    case IDD_GROUP: page = std::make_unique<CGroupPage>(); break;
    case IDD_COPY: page = std::make_unique<CCopyPage>(); break;
    case IDD_REGISTER: page = std::make_unique<CRegisterPage>(); break;
    case IDD_FINISHED: page = std::make_unique<CFinishedPage>(); break;
    case IDD_RESTART: page = std::make_unique<CRestartPage>(); break;
    case IDD_FAILED: page = std::make_unique<CFailedPage>(); break;
    case IDD_REMOVE_CONFIRM: page = std::make_unique<CRemoveConfirmPage>(); break;
    case IDD_REMOVE_FILES: page = std::make_unique<CRemoveFilesPage>(); break;
    case IDD_UNREGISTER: page = std::make_unique<CUnregisterPage>(); break;
    case IDD_REMOVED: page = std::make_unique<CRemovedPage>(); break;
    default: return nullptr;
    }
    return RegisterPage(std::move(page));
}

// ---- Pages without behaviour of their own -----------------------------------------

CWelcomePage::CWelcomePage() : CSetupPage(IDD_WELCOME, IDD_READ_PROFILE) {}

CFinishedPage::CFinishedPage() : CSetupPage(IDD_FINISHED, kEndOfSetup)
{
    m_nNavBarId = 0;
}

CFailedPage::CFailedPage() : CSetupPage(IDD_FAILED, kEndOfSetup)
{
    m_nNavBarId = 0;
}

CRemovedPage::CRemovedPage() : CSetupPage(IDD_REMOVED, kEndOfSetup)
{
    m_nNavBarId = 0;
}

// ---- Reading the profile ----------------------------------------------------------

CReadProfilePage::CReadProfilePage()
    : CSetupPage(IDD_READ_PROFILE, SetupApp().m_bUninstall ? IDD_REMOVE_FILES : IDD_CONDITIONS)
{
    m_nNavBarId = 0;
}

BOOL CReadProfilePage::ShouldShow()
{
    return !m_bVisited;
}

int CReadProfilePage::Step()
{
    CSetupApp& app = SetupApp();
    const CPathName profile = *app.m_pProfilePath;
    app.m_pDestinations->LoadFromProfile(profile);
    PumpMessages();
    app.m_pGroups->LoadFromProfile(profile);
    PumpMessages();
    app.m_pTargets->LoadFromProfile(profile);
    PumpMessages();
    app.m_pArchiveItems->LoadFromProfile(profile, *app.m_pGroups);
    PumpMessages();
    app.m_pDiskettes->LoadFromProfile(profile);
    PumpMessages();
    return m_nNextId;
}

// ---- Install conditions ---------------------------------------------------------

CConditionsPage::CConditionsPage() : CSetupPage(IDD_CONDITIONS, IDD_DIRECTORY) {}

BOOL CConditionsPage::ShouldShow()
{
    return !ConditionsMet();
}

BOOL CConditionsPage::ConditionsMet()
{
    return TRUE;
}

BOOL CConditionsPage::OnInitDialog()
{
    CSetupPage::OnInitDialog();
    if (!SetupApp().m_bIgnoreConditions)
        m_nNextId = IDD_FAILED;
    return TRUE;
}

void CConditionsPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_REQUIREMENTS, m_strRequirements);
}

// ---- Destination directory ---------------------------------------------------------

CDirectoryPage::CDirectoryPage() : CSetupPage(IDD_DIRECTORY, IDD_GROUP) {}

BOOL CDirectoryPage::OnInitDialog()
{
    CSetupPage::OnInitDialog();
    CPathName proposal;
    proposal.SetDrive(FirstFixedDrive());
    proposal.SetDirectory(SetupApp().m_pDestinations->GetName(DEST_MAIN));
    m_strLocation = proposal.GetDriveDirectory();
    UpdateData(FALSE);
    return TRUE;
}

void CDirectoryPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_LOCATION, m_strLocation);
}

BOOL CDirectoryPage::OnCommand(UINT id, UINT code, HWND control)
{
    switch (id) {
    case IDC_BROWSE:
        if (code == BN_CLICKED)
            OnBrowse();
        return code == BN_CLICKED;
    default:
        return CSetupPage::OnCommand(id, code, control);
    }
}

void CDirectoryPage::OnBrowse()
{
    UpdateData(TRUE);
    CFolderDialog dialog;
    dialog.Browse(m_strLocation, FALSE, TRUE, FALSE);
    UpdateData(FALSE);
}

void CDirectoryPage::OnOK()
{
    UpdateData(TRUE);
    CPathName path;
    if (!ParseLocation(m_strLocation, TRUE, path)) {
        // Refused whole, so that no other directory than the one typed is made.
        AfxMessageBox(ExpandHeading(IDS_INVALID_LOCATION, m_strLocation.c_str()).c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!path.DirectoryExists() && !path.CreateDirectory(TRUE)) {
        AfxMessageBox(IDS_CANNOT_CREATE_DIRECTORY, MB_OK);
        return;
    }
    CSetupApp& app = SetupApp();
    app.m_pDestinations->SetPath(DEST_MAIN, path);
    app.m_pDestinations->ResolveAll();
    GoNext();
    app.m_pGroups->SelectType(kInstallationType);
}

// ---- Program group --------------------------------------------------------------------

CGroupPage::CGroupPage() : CSetupPage(IDD_GROUP, IDD_COPY) {}

BOOL CGroupPage::OnInitDialog()
{
    CSetupPage::OnInitDialog();
    m_hGroupList = GetDlgItem(IDC_GROUP_LIST);
    CSetupApp& app = SetupApp();
    if (!app.m_bBatch) {
        CProgmanGroups groups;
        groups.ListGroups(m_hGroupList);
        SetDlgItemText(IDC_GROUP_NAME, app.m_strGroupName.c_str());
    }
    CheckRadio(IDC_NEW_GROUP);
    return TRUE;
}

BOOL CGroupPage::OnCommand(UINT id, UINT code, HWND control)
{
    switch (id) {
    case IDC_GROUP_LIST:
        if (code == LBN_SELCHANGE)
            CheckRadio(IDC_EXISTING_GROUP);
        return code == LBN_SELCHANGE;
    case IDC_GROUP_NAME:
        if (code == EN_CHANGE)
            CheckRadio(IDC_NEW_GROUP);
        return code == EN_CHANGE;
    case IDC_EXISTING_GROUP:
        if (code == BN_CLICKED)
            OnExistingGroupClicked();
        return code == BN_CLICKED;
    default:
        return CSetupPage::OnCommand(id, code, control);
    }
}

void CGroupPage::CheckRadio(int id) const
{
    ::CheckRadioButton(m_hWnd, IDC_NEW_GROUP, IDC_EXISTING_GROUP, id);
}

void CGroupPage::OnExistingGroupClicked() const
{
    if (::SendMessageA(m_hGroupList, LB_GETCURSEL, 0, 0) == LB_ERR)
        ::SendMessageA(m_hGroupList, LB_SETCURSEL, 0, 0);
}

std::string CGroupPage::ChosenGroupName() const
{
    const bool newGroup = ::IsDlgButtonChecked(m_hWnd, IDC_NEW_GROUP) == BST_CHECKED;
    std::string name = newGroup ? GetDlgItemText(IDC_GROUP_NAME) : GetListSelection(IDC_GROUP_LIST);
    // An unattended run leaves the name box empty, and an empty list offers
    // nothing to choose: the product's own group then.
    if (name.empty() && (SetupApp().m_bBatch || !newGroup))
        name = AfxLoadString(IDS_DEFAULT_GROUP_NAME);
    return name;
}

void CGroupPage::OnOK()
{
    SetupApp().m_strGroupName = ChosenGroupName();
    GoNext();
}

// ---- Copying ---------------------------------------------------------------------------

CCopyPage::CCopyPage() : CSetupPage(IDD_COPY, IDD_REGISTER)
{
    m_nNavBarId = 0;
}

BOOL CCopyPage::OnInitDialog()
{
    CSetupPage::OnInitDialog();
    m_gauge.Create(kGaugeStyle, RECT{}, this, IDC_GAUGE);
    return TRUE;
}

void CCopyPage::OnCancel()
{
    m_bCancelRequested = TRUE;
}

CCopyPage* GetCurrentCopyPage() noexcept
{
    return g_pCopyPage;
}

int CCopyPage::Step()
{
    CSetupApp& app = SetupApp();
    m_gauge.m_nMin = 1;
    m_gauge.m_nMax = app.m_pArchiveItems->TotalBytes();
    m_gauge.SetPos(0, FALSE);

    const CCopyPageScope current(this);
    {
        // The files' lines in the install log are written meanwhile, on a
        // thread of their own; all of them are in the file when this block
        // is left, however it is left.
        const CLogLineScope logLines(app.m_pArchiveItems->m_logLines);
        for (const auto& item : *app.m_pArchiveItems) {
            if (item->IsSelected()) {
                SetDlgItemText(IDC_SOURCE_FILE, item->m_strName.c_str());
                UpdateWindow();
                item->Install(*this);
            }
            if (!app.m_bSuccess)
                return IDD_FAILED;
        }
    }
    CreateProgramItems(app.m_strGroupName, *app.m_pTargets, app.m_pDestinations->GetPath(DEST_MAIN), PumpMessages);
    app.WriteInstallLog();
    return m_nNextId;
}

void CCopyPage::Progress()
{
    if (!m_pCurrentFile)
        return;
    const BOOL pumped = PumpMessagesIfDue();
    if (m_bCancelRequested) {
        if (ConfirmCancel()) {
            m_pCurrentFile->m_pItem->Abort();
            SetupApp().m_bSuccess = FALSE;
            m_nNextId = IDD_FAILED;
            return;
        }
        m_bCancelRequested = FALSE;
    }
    m_gauge.SetPos(static_cast<std::uint32_t>(m_nFinishedBytes + m_pCurrentFile->m_nBytesWritten), TRUE);
    // Every file's name, also between two turns of the pump: the page shows
    // it while a diskette prompt or a question waits. An unattended run's
    // page cannot be seen; setting its text is a call to the Wine server per
    // file, so it follows at the pump's pace.
    if (pumped || !SetupApp().m_bBatch)
        ShowCurrentFile();
}

void CCopyPage::ShowCurrentFile()
{
    if (m_strShownFile == m_pCurrentFile->m_finalPath.GetPath())
        return;
    m_strShownFile = m_pCurrentFile->m_finalPath.GetPath();
    if (!m_hShownFile)
        m_hShownFile = ::GetDlgItem(m_hWnd, IDC_DESTINATION_FILE);
    ::SetWindowTextA(m_hShownFile, m_strShownFile.c_str());
}

// ---- Registering and unregistering ---------------------------------------------------

CRegisterPage::CRegisterPage() : CSetupPage(IDD_REGISTER, IDD_FINISHED)
{
    m_nNavBarId = 0;
}

int CRegisterPage::Step()
{
    const CSetupApp& app = SetupApp();
    const CPathName mainDirectory = app.m_pDestinations->GetPath(DEST_MAIN);
    CPathName program = mainDirectory;
    // Without destination 0 there is nothing to register.
    if (!mainDirectory.IsEmpty() && program.SetFileName(app.m_strProgramFile)) {
        RegisterAppPath(program);
        const std::string removal = MakeRemovalCommand(mainDirectory);
        if (!removal.empty())
            RegisterUninstall(removal, app.m_strProductName, app.m_strProductName);
        if (app.m_bSuccess)
            StartInstalledProgram(program);
    }
    if (!app.m_bSuccess)
        m_nNextId = IDD_FAILED;
    else if (app.m_bRestartNeeded)
        m_nNextId = IDD_RESTART;
    else
        m_nNextId = IDD_FINISHED;
    return m_nNextId;
}

CUnregisterPage::CUnregisterPage() : CSetupPage(IDD_UNREGISTER, IDD_REMOVED)
{
    m_nNavBarId = 0;
}

int CUnregisterPage::Step()
{
    const CSetupApp& app = SetupApp();
    CPathName program = app.m_pDestinations->GetPath(DEST_MAIN);
    if (program.SetFileName(app.m_strProgramFile))
        UnregisterAppPath(program);
    UnregisterUninstall(app.m_strProductName);
    // A run that failed meanwhile (the background window's close question)
    // ends on the failure page, as the finish step does.
    if (!app.m_bSuccess)
        m_nNextId = IDD_FAILED;
    return m_nNextId;
}

// ---- Restart ----------------------------------------------------------------------------

CRestartPage::CRestartPage() : CSetupPage(IDD_RESTART, kEndOfSetup)
{
    m_nNavBarId = 0;
}

BOOL CRestartPage::OnCommand(UINT id, UINT code, HWND control)
{
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_RESTART:
            OnRestart();
            return TRUE;
        case IDC_FINISH_NO_RESTART:
            OnOK();
            return TRUE;
        default:
            break;
        }
    }
    return CSetupPage::OnCommand(id, code, control);
}

void CRestartPage::OnRestart()
{
    if (!::ExitWindowsEx(EWX_REBOOT, 0))
        AfxMessageBox(IDS_RESTART_FAILED, MB_OK);
}

// ---- Removal --------------------------------------------------------------------------

CRemoveConfirmPage::CRemoveConfirmPage() : CSetupPage(IDD_REMOVE_CONFIRM, IDD_READ_PROFILE) {}

BOOL CRemoveConfirmPage::ConfirmCancel()
{
    return TRUE;
}

CRemoveFilesPage::CRemoveFilesPage() : CSetupPage(IDD_REMOVE_FILES, IDD_UNREGISTER)
{
    m_nNavBarId = 0;
}

int CRemoveFilesPage::Step()
{
    CSetupApp& app = SetupApp();
    CUninstaller removal(*app.m_pLogPath, *app.m_pDestinations, *app.m_pGroups, *app.m_pTargets, app.m_strProgramFile,
                         app.m_strGroupName, [this](const CPathName& path) { ShowRemovalProgress(path); });
    removal.Run();
    // A cancel confirmed while the files went has set the failure page.
    return m_nNextId;
}

void CRemoveFilesPage::ShowRemovalProgress(const CPathName& path)
{
    PumpMessages();
    SetDlgItemText(IDC_REMOVED_FILE, path);
}
