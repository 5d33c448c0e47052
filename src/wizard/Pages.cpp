#include "wizard/Pages.h"

#include "engine/CopyStep.h"
#include "engine/InstallFile.h"
#include "engine/RunState.h"
#include "errors/ErrorDialog.h"
#include "fw/Strings.h"
#include "res/resource.h"
#include "system/Location.h"
#include "system/ProgmanGroups.h"
#include "system/Registration.h"
#include "uninstall/Uninstaller.h"
#include "wizard/DiskettePromptDlg.h"
#include "wizard/FolderDialog.h"
#include "wizard/Wizard.h"

#include <cctype>

namespace {

// The installation type the destination page selects the file groups for.
constexpr int kInstallationType = 2;

// The gauge's window style: child, visible, border.
constexpr DWORD kGaugeStyle = WS_CHILD | WS_VISIBLE | WS_BORDER;
static_assert(kGaugeStyle == 0x50800000);

// The text without the blanks and tabs around it: a folder name does not
// keep them, and the install log could not give them back.
std::string WithoutOuterBlanks(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

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

std::unique_ptr<CSetupPage> CreatePage(CWizard& wizard, int id)
{
    std::unique_ptr<CSetupPage> page;
    switch (id) {
    case IDD_WELCOME: page = std::make_unique<CWelcomePage>(wizard); break;
    case IDD_READ_PROFILE: page = std::make_unique<CReadProfilePage>(wizard); break;
    case IDD_CONDITIONS: page = std::make_unique<CConditionsPage>(wizard); break;
    case IDD_DIRECTORY: page = std::make_unique<CDirectoryPage>(wizard); break;
    case IDD_GROUP: page = std::make_unique<CGroupPage>(wizard); break;
    case IDD_COPY: page = std::make_unique<CCopyPage>(wizard); break;
    case IDD_REGISTER: page = std::make_unique<CRegisterPage>(wizard); break;
    case IDD_FINISHED: page = std::make_unique<CFinishedPage>(wizard); break;
    case IDD_RESTART: page = std::make_unique<CRestartPage>(wizard); break;
    case IDD_FAILED: page = std::make_unique<CFailedPage>(wizard); break;
    case IDD_REMOVE_CONFIRM: page = std::make_unique<CRemoveConfirmPage>(wizard); break;
    case IDD_REMOVE_FILES: page = std::make_unique<CRemoveFilesPage>(wizard); break;
    case IDD_UNREGISTER: page = std::make_unique<CUnregisterPage>(wizard); break;
    case IDD_REMOVED: page = std::make_unique<CRemovedPage>(wizard); break;
    default: return nullptr;
    }
    return page;
}

// ---- Pages without behaviour of their own -----------------------------------------

CWelcomePage::CWelcomePage(CWizard& wizard) : CSetupPage(wizard, IDD_WELCOME, IDD_READ_PROFILE) {}

CFinishedPage::CFinishedPage(CWizard& wizard) : CSetupPage(wizard, IDD_FINISHED, kEndOfSetup)
{
    m_nNavBarId = 0;
}

CFailedPage::CFailedPage(CWizard& wizard) : CSetupPage(wizard, IDD_FAILED, kEndOfSetup)
{
    m_nNavBarId = 0;
}

CRemovedPage::CRemovedPage(CWizard& wizard) : CSetupPage(wizard, IDD_REMOVED, kEndOfSetup)
{
    m_nNavBarId = 0;
}

// ---- Reading the profile ----------------------------------------------------------

CReadProfilePage::CReadProfilePage(CWizard& wizard)
    : CSetupPage(wizard, IDD_READ_PROFILE, wizard.GetRun().m_bUninstall ? IDD_REMOVE_FILES : IDD_CONDITIONS)
{
    m_nNavBarId = 0;
}

BOOL CReadProfilePage::ShouldShow()
{
    return !m_bVisited;
}

int CReadProfilePage::Step()
{
    // A session that ends meanwhile stops the reading: the run is over.
    m_run.LoadModel([this] {
        PumpMessages();
        if (m_run.m_bSessionEnded)
            AfxThrowUserException();
    });
    return m_nNextId;
}

// ---- Install conditions ---------------------------------------------------------

CConditionsPage::CConditionsPage(CWizard& wizard) : CSetupPage(wizard, IDD_CONDITIONS, IDD_DIRECTORY) {}

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
    if (!m_run.m_bIgnoreConditions)
        m_nNextId = IDD_FAILED;
    return TRUE;
}

void CConditionsPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_REQUIREMENTS, m_strRequirements);
}

// ---- Destination directory ---------------------------------------------------------

CDirectoryPage::CDirectoryPage(CWizard& wizard) : CSetupPage(wizard, IDD_DIRECTORY, IDD_GROUP) {}

BOOL CDirectoryPage::OnInitDialog()
{
    CSetupPage::OnInitDialog();
    CPathName proposal;
    proposal.SetDrive(FirstFixedDrive());
    proposal.SetDirectory(m_run.m_destinations.GetName(DEST_MAIN));
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
    m_run.m_destinations.SetPath(DEST_MAIN, path);
    m_run.m_destinations.ResolveAll();
    for (const auto& entry : m_run.m_destinations)
        m_run.m_runLog.Write("destination", {std::to_string(entry.first), m_run.m_destinations.GetPath(entry.first).GetPath()});
    GoNext();
    m_run.m_groups.SelectType(kInstallationType);
}

// ---- Program group --------------------------------------------------------------------

CGroupPage::CGroupPage(CWizard& wizard) : CSetupPage(wizard, IDD_GROUP, IDD_COPY) {}

BOOL CGroupPage::OnInitDialog()
{
    CSetupPage::OnInitDialog();
    m_hGroupList = GetDlgItem(IDC_GROUP_LIST);
    if (!m_run.m_bBatch) {
        CProgmanGroups groups;
        groups.ListGroups(m_hGroupList);
        SetDlgItemText(IDC_GROUP_NAME, m_run.m_strGroupName.c_str());
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
    std::string name =
        newGroup ? WithoutOuterBlanks(GetDlgItemText(IDC_GROUP_NAME)) : GetListSelection(IDC_GROUP_LIST);
    // No name is no group to put the items in: an unattended run leaves the
    // name box empty, the user may clear it or leave only blanks, and an
    // empty list offers nothing to choose. The product's own group then.
    if (name.empty())
        name = AfxLoadString(IDS_DEFAULT_GROUP_NAME);
    return name;
}

void CGroupPage::OnOK()
{
    m_run.m_strGroupName = ChosenGroupName();
    m_run.m_runLog.Write("group", {m_run.m_strGroupName});
    GoNext();
}

// ---- Copying ---------------------------------------------------------------------------

CCopyPage::CCopyPage(CWizard& wizard) : CSetupPage(wizard, IDD_COPY, IDD_REGISTER)
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

int CCopyPage::Step()
{
    m_gauge.m_nMin = 1;
    m_gauge.m_nMax = m_run.m_archiveItems.TotalBytes();
    m_gauge.SetPos(0, FALSE);
    CCopyStep step(m_run, *this);
    return step.Run() ? m_nNextId : IDD_FAILED;
}

BOOL CCopyPage::LocateDisketteFile(const CPathName& missingFile, int disk, std::string& location)
{
    if (m_run.m_bSessionEnded)
        return FALSE;
    const std::string label = m_run.m_diskettes.GetLabel(disk);
    // Unattended and quiet, nobody can change the diskette: the file is not found.
    if (m_run.m_bQuiet) {
        m_run.m_runLog.Write("diskette", {std::to_string(disk), label, missingFile.GetPath(), "not found", "quiet"});
        return FALSE;
    }
    if (m_pCurrentFile)
        ShowCurrentFile();
    const BOOL found = AskForDiskette(missingFile, disk, label, location);
    m_run.m_runLog.Write("diskette", {std::to_string(disk), label, missingFile.GetPath(),
                                      found ? "found" : "refused", found ? location : "user"});
    return found;
}

void CCopyPage::ItemBegun(const std::string& name)
{
    SetDlgItemText(IDC_SOURCE_FILE, name.c_str());
    UpdateWindow();
}

void CCopyPage::FileBegun(const CInstallFile& file)
{
    m_pCurrentFile = &file;
}

void CCopyPage::FileEnded() noexcept
{
    m_pCurrentFile = nullptr;
}

BOOL CCopyPage::LetMessagesThrough(BOOL onlyWhenDue)
{
    if (onlyWhenDue)
        return PumpMessagesIfDue();
    PumpMessages();
    return TRUE;
}

BOOL CCopyPage::FileProgress(const CInstallFile&, std::uint32_t bytesDone)
{
    const BOOL pumped = PumpMessagesIfDue();
    // The session ending stops the file at once, as a confirmed cancel does;
    // it also ends a question that was waiting.
    if (m_run.m_bSessionEnded)
        return FALSE;
    if (m_bCancelRequested) {
        // The question waits over the file it would stop.
        ShowCurrentFile();
        if (ConfirmCancel() || m_run.m_bSessionEnded) {
            m_nNextId = IDD_FAILED;
            return FALSE;
        }
        m_bCancelRequested = FALSE;
    }
    m_gauge.SetPos(bytesDone, TRUE);
    // Every file's name, also between two turns of the pump: the page shows
    // it while a diskette prompt or a question waits. An unattended run's
    // page cannot be seen; setting its text is a call to the Wine server per
    // file, so it follows at the pump's pace.
    if (pumped || !m_run.m_bBatch)
        ShowCurrentFile();
    return TRUE;
}

BOOL CCopyPage::ContinueAfterError(const CException& e, const std::string& path)
{
    if (m_run.m_bSessionEnded)
        return FALSE;
    return ErrorQuery(IDS_CANNOT_INSTALL_FILES_FROM, e, path.c_str());
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

CRegisterPage::CRegisterPage(CWizard& wizard) : CSetupPage(wizard, IDD_REGISTER, IDD_FINISHED)
{
    m_nNavBarId = 0;
}

int CRegisterPage::Step()
{
    const CPathName mainDirectory = m_run.m_destinations.GetPath(DEST_MAIN);
    CPathName program = mainDirectory;
    // Without destination 0 there is nothing to register.
    if (!mainDirectory.IsEmpty() && program.SetFileName(m_run.m_strProgramFile)) {
        const BOOL appPath = RegisterAppPath(program);
        m_run.m_runLog.Write("registry", {"write", "HKLM\\" + AppPathKey(program), appPath ? "done" : "failed"});
        const std::string removal = MakeRemovalCommand(mainDirectory);
        if (!removal.empty()) {
            RegisterUninstall(removal, m_run.m_strProductName, m_run.m_strProductName);
            std::string location = mainDirectory.GetPath();
            if (location.size() > 3 && location.back() == '\\')
                location.pop_back();
            const UninstallDetails details{MakeRemovalCommand(mainDirectory, " /U /Q"), location, program.GetPath(),
                                           static_cast<DWORD>((m_run.m_nInstalledBytes + 1023) / 1024)};
            const BOOL written = RegisterUninstallDetails(m_run.m_strProductName, details);
            m_run.m_runLog.Write("registry", {"write", "HKLM\\" + UninstallKey(m_run.m_strProductName), removal,
                                              written ? "done" : "failed"});
        }
        if (m_run.m_bSuccess)
            StartInstalledProgram(program);
    }
    if (!m_run.m_bSuccess)
        m_nNextId = IDD_FAILED;
    else if (m_run.m_bRestartNeeded)
        m_nNextId = IDD_RESTART;
    else
        m_nNextId = IDD_FINISHED;
    return m_nNextId;
}

CUnregisterPage::CUnregisterPage(CWizard& wizard) : CSetupPage(wizard, IDD_UNREGISTER, IDD_REMOVED)
{
    m_nNavBarId = 0;
}

int CUnregisterPage::Step()
{
    CPathName program = m_run.m_destinations.GetPath(DEST_MAIN);
    if (program.SetFileName(m_run.m_strProgramFile)) {
        const BOOL removed = UnregisterAppPath(program);
        m_run.m_runLog.Write("registry", {"remove", "HKLM\\" + AppPathKey(program), removed ? "done" : "failed"});
    }
    const BOOL removed = UnregisterUninstall(m_run.m_strProductName);
    m_run.m_runLog.Write("registry",
                         {"remove", "HKLM\\" + UninstallKey(m_run.m_strProductName), removed ? "done" : "failed"});
    // A run that failed meanwhile (the background window's close question)
    // ends on the failure page, as the finish step does.
    if (!m_run.m_bSuccess)
        m_nNextId = IDD_FAILED;
    return m_nNextId;
}

// ---- Restart ----------------------------------------------------------------------------

CRestartPage::CRestartPage(CWizard& wizard) : CSetupPage(wizard, IDD_RESTART, kEndOfSetup)
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

CRemoveConfirmPage::CRemoveConfirmPage(CWizard& wizard) : CSetupPage(wizard, IDD_REMOVE_CONFIRM, IDD_READ_PROFILE) {}

BOOL CRemoveConfirmPage::ConfirmCancel()
{
    return TRUE;
}

CRemoveFilesPage::CRemoveFilesPage(CWizard& wizard) : CSetupPage(wizard, IDD_REMOVE_FILES, IDD_UNREGISTER)
{
    m_nNavBarId = 0;
}

int CRemoveFilesPage::Step()
{
    CUninstaller removal(m_run.m_logPath, m_run.m_destinations, m_run.m_groups, m_run.m_targets,
                         m_run.m_strProgramFile, m_run.m_strGroupName,
                         [this](const CPathName& path) { return ShowRemovalProgress(path); }, &m_run.m_runLog);
    removal.Run();
    // A cancel confirmed while the files went has set the failure page.
    return m_nNextId;
}

BOOL CRemoveFilesPage::ShowRemovalProgress(const CPathName& path)
{
    PumpMessages();
    if (m_run.m_bSessionEnded)
        return FALSE;
    SetDlgItemText(IDC_REMOVED_FILE, path);
    return TRUE;
}
