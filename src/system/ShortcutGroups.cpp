#include "system/ShortcutGroups.h"

#include "fw/SystemLibrary.h"
#include "system/Registry.h"

#include <objbase.h>

#include <vector>

namespace {

constexpr const char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char kProgramsValue[] = "Programs";
constexpr const char kStartMenuPrograms[] = "\\Start Menu\\Programs";
constexpr const char kShortcutExtension[] = "lnk";

// Windows 4.0 (Windows 95, NT 4.0) brought the Start menu.
BOOL IsStartMenuWindows()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return ::GetVersionExA(&version) && version.dwMajorVersion > 3;
}

// COM is loaded when the first shortcut is made, not at the program's start
// (the wizard of a product without shortcuts never needs it).
constexpr const char kOle32[] = "ole32.dll";

HRESULT ComInitialize()
{
    static const auto initialize = SystemFunction<decltype(::CoInitialize)>(kOle32, "CoInitialize");
    return initialize ? initialize(nullptr) : E_NOTIMPL;
}

void ComUninitialize()
{
    static const auto uninitialize = SystemFunction<decltype(::CoUninitialize)>(kOle32, "CoUninitialize");
    if (uninitialize)
        uninitialize();
}

HRESULT ComCreateInstance(REFCLSID id, REFIID iface, void** out)
{
    static const auto create = SystemFunction<decltype(::CoCreateInstance)>(kOle32, "CoCreateInstance");
    return create ? create(id, nullptr, CLSCTX_INPROC_SERVER, iface, out) : E_NOTIMPL;
}

} // namespace

CShortcutGroups::CShortcutGroups()
{
    Init();
}

CShortcutGroups::CShortcutGroups(const char* service, const char* topic) : CProgmanGroups(service, topic)
{
    Init();
}

void CShortcutGroups::Init()
{
    useShortcuts = IsStartMenuWindows();
    const CRegistryString programs(HKEY_CURRENT_USER, kShellFoldersKey, kProgramsValue, nullptr, TRUE, FALSE);
    if (*programs.GetText())
        programsFolder.SetDriveDirectory(programs.GetText());
    // A value that is no usable directory counts as missing.
    if (programsFolder.IsEmpty()) {
        programsFolder = CPathName(CPathName::pathWindowsDir);
        programsFolder.AppendDirectory(kStartMenuPrograms);
    }
}

CShortcutGroups::~CShortcutGroups()
{
    if (shellLink)
        Close();
    // After the last interface is gone: COM may unload the shell's library.
    if (m_bComInitialized)
        ComUninitialize();
}

BOOL CShortcutGroups::Close()
{
    if (!useShortcuts)
        return CProgmanGroups::Close();
    persistFile.Reset();
    shellLink.Reset();
    return TRUE;
}

namespace {

// Group and item names come from the install log at removal, a file any user
// may write: each must stay one folder or file name inside the Programs
// folder, or removal could be pointed at shortcut files elsewhere.
bool IsSingleName(const char* text)
{
    const std::string name = text ? text : "";
    return name.find_first_of("\\/:") == std::string::npos && name.find_first_not_of(". ") != std::string::npos;
}

} // namespace

BOOL CShortcutGroups::GetGroupFolder(const char* group, CPathName& out) const
{
    if (!IsSingleName(group))
        return FALSE;
    out = programsFolder;
    return out.AppendDirectory(group);
}

BOOL CShortcutGroups::GetShortcutFile(const char* group, const char* name, CPathName& out) const
{
    return IsSingleName(name) && GetGroupFolder(group, out) && out.SetName(name) &&
           out.SetExtension(kShortcutExtension);
}

BOOL CShortcutGroups::CreateShellLink()
{
    if (!m_bComInitialized)
        m_bComInitialized = SUCCEEDED(ComInitialize());
    persistFile.Reset();
    shellLink.Reset();
    if (FAILED(ComCreateInstance(CLSID_ShellLink, IID_IShellLinkA, shellLink.PutVoid())))
        return FALSE;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, persistFile.PutVoid()))) {
        shellLink.Reset();
        return FALSE;
    }
    return TRUE;
}

BOOL CShortcutGroups::AddShortcut(const char* group, const char* path, const char* arguments, const char* name,
                                  const char* iconPath, int iconIndex, int showCmd, int showMode)
{
    if (!useShortcuts)
        return AddItem(group, path, arguments, name, iconPath, iconIndex, showCmd, showMode);

    CPathName groupFolder;
    CPathName file;
    if (!GetGroupFolder(group, groupFolder) || !GetShortcutFile(group, name, file))
        return FALSE;
    if (!CreateShellLink())
        return FALSE;
    // CreateDirectory enters a folder that exists already, as its test; a
    // group folder left current could not be removed while the program runs.
    char current[MAX_PATH];
    const DWORD currentLength = ::GetCurrentDirectoryA(MAX_PATH, current);
    groupFolder.CreateDirectory(TRUE);
    if (currentLength > 0 && currentLength < MAX_PATH)
        ::SetCurrentDirectoryA(current);

    shellLink->SetPath(path);
    shellLink->SetArguments(arguments ? arguments : "");
    shellLink->SetDescription(name);
    shellLink->SetIconLocation(iconPath ? iconPath : "", iconIndex);

    const int length = ::MultiByteToWideChar(CP_ACP, 0, file, -1, nullptr, 0);
    if (length <= 0)
        return FALSE;
    std::vector<wchar_t> wideName(static_cast<size_t>(length) + 1);
    ::MultiByteToWideChar(CP_ACP, 0, file, -1, wideName.data(), length);
    return SUCCEEDED(persistFile->Save(wideName.data(), TRUE));
}

BOOL CShortcutGroups::RemoveItem(const char* group, const char* name)
{
    if (!useShortcuts)
        return CProgmanGroups::RemoveItem(group, name);
    CPathName file;
    return GetShortcutFile(group, name, file) && file.Delete(TRUE);
}

BOOL CShortcutGroups::RemoveGroup(const char* group)
{
    if (!useShortcuts)
        return CProgmanGroups::RemoveGroup(group);
    CPathName folder;
    return *group && GetGroupFolder(group, folder) && folder.RemoveDirectory();
}
