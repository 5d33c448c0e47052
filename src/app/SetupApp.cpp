#include "app/SetupApp.h"

#include "app/CommandLine.h"
#include "engine/ArchiveItem.h"
#include "errors/ErrorDialog.h"
#include "fw/Strings.h"
#include "fw/Time.h"
#include "profile/DestinationMap.h"
#include "profile/DisketteArray.h"
#include "profile/FileGroupMap.h"
#include "profile/InstallLog.h"
#include "profile/ProfileString.h"
#include "profile/TargetMap.h"
#include "res/resource.h"
#include "system/InstallStatus.h"
#include "system/ProgramCommand.h"
#include "ui/MainWnd.h"
#include "wizard/DiskettePromptDlg.h"
#include "wizard/SetupPage.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kLogFileName[] = "pelto.log";
const char kProfileExtension[] = "ini";
const char kEventsSection[] = "Events";
const char kCleanupProgram[] = "_cleanup.exe";

// A current directory on a diskette or CD-ROM would hold the disk the user
// is asked to change: the run goes on in the Windows directory instead. All
// paths of the run are whole paths by then.
void LeaveRemovableCurrentDirectory()
{
    char current[MAX_PATH] = {};
    const DWORD length = ::GetCurrentDirectoryA(sizeof current, current);
    if (length < 2 || length >= sizeof current || current[1] != ':')
        return;
    const char root[] = {current[0], ':', '\\', '\0'};
    const UINT type = ::GetDriveTypeA(root);
    if (type != DRIVE_REMOVABLE && type != DRIVE_CDROM)
        return;
    char windows[MAX_PATH] = {};
    const UINT n = ::GetWindowsDirectoryA(windows, sizeof windows);
    if (n > 0 && n < sizeof windows)
        ::SetCurrentDirectoryA(windows);
}

// Characters no file or directory name can hold; ':' is allowed after the
// drive letter only.
bool IsForbiddenInPath(unsigned char c) noexcept
{
    return c < 0x20 || std::strchr("<>\"|?*", c) != nullptr;
}

bool IsSeparator(char c) noexcept
{
    return c == '\\' || c == '/';
}

// The short (8.3) form of an existing path; the path itself when Windows
// gives none.
std::string ShortPathName(const std::string& path)
{
    std::string shortPath(path.size() + 1, '\0');
    DWORD length = ::GetShortPathNameA(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
    if (length >= shortPath.size()) {
        shortPath.assign(length, '\0');
        length = ::GetShortPathNameA(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
    }
    if (length == 0 || length >= shortPath.size())
        return path;
    shortPath.resize(length);
    return shortPath;
}

} // namespace

BOOL ParseLocation(const std::string& text, BOOL absolute, CPathName& path)
{
    if (text.empty())
        return FALSE;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (::IsDBCSLeadByte(c) && i + 1 < text.size()) {
            ++i;  // the trail byte may look like a separator or a forbidden character
            continue;
        }
        if (IsForbiddenInPath(c) || (c == ':' && i != 1))
            return FALSE;
    }
    const bool hasDrive = text.size() >= 2 && text[1] == ':';
    if (hasDrive && !std::isalpha(static_cast<unsigned char>(text[0])))
        return FALSE;
    // A drive without a medium (an empty diskette drive) still has a type.
    if (hasDrive && ::GetDriveTypeA((text.substr(0, 2) + "\\").c_str()) == DRIVE_NO_ROOT_DIR)
        return FALSE;
    if (absolute) {
        const bool rootedOnDrive = hasDrive && text.size() >= 3 && IsSeparator(text[2]);
        const bool onServer = text.size() > 2 && IsSeparator(text[0]) && IsSeparator(text[1]);
        if (!rootedOnDrive && !onServer)
            return FALSE;
    }
    CPathName parsed;
    if (!parsed.SetDriveDirectory(text))
        return FALSE;
    path = parsed;
    return TRUE;
}

BOOL SiblingDisketteDirectory(const CPathName& path, int disk, CPathName& sibling)
{
    std::string directory = path.GetDirectory();
    if (directory.size() <= 2 || std::atoi(directory.c_str() + directory.size() - 2) == 0)
        return FALSE;
    directory.replace(directory.size() - 2, 2, StringFormat("%02d", disk));
    CPathName moved = path;
    if (!moved.SetDirectory(directory))
        return FALSE;
    sibling = moved;
    return TRUE;
}

CSetupApp::CSetupApp() = default;

CSetupApp::~CSetupApp() = default;

CSetupApp& SetupApp()
{
    return static_cast<CSetupApp&>(*AfxGetApp());
}

BOOL CSetupApp::InitInstance()
{
    m_pDestinations = std::make_unique<CDestinationMap>();
    m_pGroups = std::make_unique<CFileGroupMap>();
    m_pTargets = std::make_unique<CTargetMap>();
    m_pArchiveItems = std::make_unique<CArchiveItemList>();
    m_pDiskettes = std::make_unique<CDisketteArray>();

    m_strTitle = AfxLoadString(IDS_SETUP_TITLE);
    m_strGroupName = AfxLoadString(IDS_DEFAULT_GROUP_NAME);
    m_strProgramFile = AfxLoadString(IDS_PROGRAM_FILE);
    m_strProductName = AfxLoadString(IDS_PRODUCT_NAME);

    m_pProfilePath = std::make_unique<CPathName>();
    m_pProfilePath->SetModuleFileName();
    m_pProfilePath->SetExtension(kProfileExtension);
    m_pSourceDir = std::make_unique<CPathName>(CPathName::pathModuleDir);
    m_pLogPath = std::make_unique<CPathName>(CPathName::pathWindowsDir);
    m_pLogPath->SetFileName(kLogFileName);

    SetDialogBkColor(RGB(192, 192, 192), RGB(0, 0, 0));

    if (!ApplyCommandLine())
        return FALSE;
    LeaveRemovableCurrentDirectory();

    m_pBackground = std::make_unique<CMainWnd>(m_strTitle, m_bBatch, m_bSuccess);
    if (!m_pBackground->CreateBackground()) {
        m_bSuccess = FALSE;
        return FALSE;
    }
    m_pMainWnd = m_pBackground.get();

    if (m_bUninstall) {
        *m_pProfilePath = *m_pLogPath;
        ShowPage(IDD_REMOVE_CONFIRM, FALSE);
    } else {
        ShowPage(IDD_WELCOME, FALSE);
    }
    return TRUE;
}

BOOL CSetupApp::ApplyCommandLine()
{
    const CCommandLine commandLine(m_strCmdLine.c_str(), '/');
    const SetupOptions options = GetSetupOptions(commandLine);
    if (!options.sourceDir.empty()) {
        // A directory that cannot be taken whole must not leave the run
        // reading another diskette set than the one named.
        CPathName directory;
        if (!ParseLocation(options.sourceDir, FALSE, directory) ||
            !m_pProfilePath->SetDriveDirectory(options.sourceDir)) {
            AfxMessageBox(ExpandHeading(IDS_INVALID_LOCATION, options.sourceDir.c_str()).c_str(),
                          MB_OK | MB_ICONEXCLAMATION);
            m_bSuccess = FALSE;
            return FALSE;
        }
        SetSourceDirectory(options.sourceDir);
    }
    m_bBatch = options.batch;
    m_bIgnoreConditions = options.ignoreConditions;
    m_bUninstall = options.uninstall;
    return TRUE;
}

BOOL CSetupApp::SetSourceDirectory(const std::string& text)
{
    return m_pSourceDir->SetDriveDirectory(text);
}

BOOL CSetupApp::LocateSourceFile(const std::string& name, int disk)
{
    CPathName path = *m_pSourceDir;
    if (!path.SetFileName(name))
        AfxThrowFileException(CFileException::badPath, -1, m_pSourceDir->GetPath() + name);
    if (path.Exists())
        return TRUE;

    CPathName sibling;
    if (SiblingDisketteDirectory(path, disk, sibling) && sibling.Exists()) {
        SetSourceDirectory(sibling.GetDriveDirectory());
        return TRUE;
    }

    CDiskettePromptDlg prompt(path, disk);
    if (prompt.DoModal() != IDOK)
        return FALSE;
    SetSourceDirectory(prompt.m_strLocation);
    return TRUE;
}

void CSetupApp::WriteInstallLog()
{
    WriteInstallModel(*m_pLogPath, *m_pDestinations, *m_pGroups, *m_pTargets);
}

int CSetupApp::ExitInstance()
{
    DestroyAllPages();
    // The framework's own code is not 0 when start-up or the loop failed.
    const BOOL succeeded = m_bSuccess && m_nExitCode == 0;
    const std::string status = AfxLoadString(succeeded ? IDS_STATUS_SUCCESS : IDS_STATUS_FAILED);
    if (!WriteInstallStatus(CPathName(m_strProgramFile).GetName().c_str(), "", m_strProductName.c_str(), "1.0",
                            status.c_str(), succeeded, "ENU", nullptr))
        LogEvent("Could not write SMS status.");
    ReleaseModel();
    m_pBackground.reset();
    if (m_bUninstall && succeeded)
        LaunchCleanupProgram();
    if (!succeeded)
        return 1;
    return m_bItemsSkipped ? 2 : 0;
}

int CSetupApp::LogEvent(const char* format, ...)
{
    char text[kEventTextSize] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (m_pLogPath) {
        const std::string time = CTime::GetCurrentTime().Format("%H:%M:%S");
        CProfileString event("", kEventsSection, "", CPathName(), FALSE, TRUE);
        event.SetFile(*m_pLogPath);
        event.SetKey(StringFormat("%s:%04ld", time.c_str(), static_cast<long>(::GetTickCount() % 1000)));
        event.SetText(text);
        event.Save();
    }
    return static_cast<int>(std::strlen(text));
}

void CSetupApp::LaunchCleanupProgram()
{
    CPathName program(CPathName::pathSystemDir);
    CPathName profile;
    if (program.IsEmpty() || !program.SetFileName(kCleanupProgram) || !profile.SetModuleFileName() ||
        !profile.SetExtension(kProfileExtension))
        return;
    const std::string command =
        MakeCommandLine(program.GetPath(), " /U /PP:" + ShortPathName(profile.GetPath()));
    ::SetCurrentDirectoryA(program.GetDriveDirectory().c_str());
    ::WinExec(command.c_str(), SW_SHOW);
}

void CSetupApp::ReleaseModel() noexcept
{
    m_pArchiveItems.reset();
    m_pDiskettes.reset();
    m_pTargets.reset();
    m_pGroups.reset();
    m_pDestinations.reset();
    m_pProfilePath.reset();
    m_pSourceDir.reset();
    m_pLogPath.reset();
}

LRESULT CSetupApp::ProcessWndProcException(const CException& e, const MSG*)
{
    ErrorMessage(IDS_SETUP_CANNOT_CONTINUE, e);
    return 0;
}
