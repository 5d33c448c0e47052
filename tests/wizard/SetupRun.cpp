#include "SetupRun.h"

#include "res/resource.h"

#include <map>
#include <stdexcept>

namespace setup_run {

namespace {

using namespace ui_probe;

// What each page shows that no other page shows.
const std::map<int, std::string> kPageMarks = {
    {IDD_WELCOME, "Welcome to Pelto."},
    {IDD_DIRECTORY, "&Location:"},
    {IDD_GROUP, "Create &new group:"},
    {IDD_COPY, "Source File:"},
    {IDD_READ_PROFILE, "Reading Setup information. Please wait."},
    {IDD_FINISHED, "Pelto Installation is complete."},
    {IDD_RESTART, "Pelto Installation is almost complete."},
    {IDD_FAILED, "Pelto has NOT been properly installed. You should run this setup procedure again in its entirety."},
    {IDD_REMOVE_CONFIRM, "You have chosen to remove Pelto."},
    {IDD_REMOVE_FILES, "Removing File:"},
    {IDD_REMOVED, "Pelto has been removed from your computer."},
    {IDD_REGISTER, "Registering components..."},
    {IDD_UNREGISTER, "Unregistering components..."},
};

bool ShowsText(HWND window, const std::string& text)
{
    for (HWND child : ChildWindows(window))
        if (WindowText(child) == text)
            return true;
    return false;
}

struct Search {
    DWORD processId;
    const std::string* text;
    HWND found;
};

BOOL CALLBACK FindDialogShowing(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == search->processId && ::IsWindowVisible(window) && ClassName(window) == "#32770" &&
        ShowsText(window, *search->text)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

std::string MinimalProfile(const std::string& mainName)
{
    return "[destinations]\r\n0=" + mainName + "||\r\n1=DATA|0|\r\n"
           "[groups]\r\nProgram=Program files|The program|1|1|1\r\n"
           "[targets]\r\nPELTO.EXE=0|0|0|Pelto|||\r\n"
           "[diskettes]\r\n1=Pelto Disk 1\r\n";
}

SetupRun::SetupRun(const std::string& profile)
{
    if (!::CopyFileA(WindowsPath(PELTO_INSTALL_EXE).c_str(), (m_dir / "INSTALL.EXE").c_str(), FALSE))
        throw std::runtime_error("cannot copy INSTALL.EXE");
    if (!profile.empty())
        WriteFileBytes(m_dir / "INSTALL.ini", profile);
}

SetupRun::~SetupRun()
{
    m_process.reset();  // ends a program still running before its folder goes
    if (m_bStatusDirectorySet)
        ::SetEnvironmentVariableA("ISMIF32_STATUS_DIR", nullptr);
}

void SetupRun::Start(const std::string& arguments)
{
    StartProgram(m_dir / "INSTALL.EXE", arguments);
}

void SetupRun::StartProgram(const std::string& program, const std::string& arguments, const std::string& directory)
{
    m_process = std::make_unique<TestProcess>(program, arguments, directory);
}

HWND SetupRun::WaitForPage(int pageId) const
{
    const std::string& mark = kPageMarks.at(pageId);
    return WaitForDialogShowing(mark);
}

HWND SetupRun::NavigationBar(HWND page)
{
    for (HWND child : ChildWindows(page))
        if (ClassName(child) == "#32770")
            return child;
    return nullptr;
}

HWND SetupRun::WaitForDialogShowing(const std::string& text) const
{
    HWND found = nullptr;
    WaitUntil([&] {
        Search search{m_process->Id(), &text, nullptr};
        ::EnumWindows(FindDialogShowing, reinterpret_cast<LPARAM>(&search));
        found = search.found;
        return found != nullptr;
    });
    return found;
}

HWND SetupRun::FindVisibleDialogCaptioned(const std::string& caption) const
{
    for (HWND window = ::GetTopWindow(nullptr); window; window = ::GetWindow(window, GW_HWNDNEXT)) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        char text[256] = {};
        char className[16] = {};
        if (process == m_process->Id() && ::IsWindowVisible(window) &&
            ::GetClassNameA(window, className, sizeof className) && std::string(className) == "#32770" &&
            ::GetWindowTextA(window, text, sizeof text) && caption == text)
            return window;
    }
    return nullptr;
}

bool SetupRun::ClickButtonLabelled(HWND dialog, const std::string& label)
{
    for (HWND child : ChildWindows(dialog))
        if (ClassName(child) == "Button" && WindowText(child) == label)
            return ClickButton(dialog, ::GetDlgCtrlID(child));
    return false;
}

long SetupRun::ExitCode() const
{
    DWORD code = 0;
    if (!m_process->WaitForExit(&code))
        return -1;
    return static_cast<long>(code);
}

namespace {

struct BackgroundSearch {
    DWORD processId;
    HWND found;
};

// The framework's window classes are named "Pelto:..."; the pages are dialogs.
BOOL CALLBACK FindBackground(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<BackgroundSearch*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == search->processId && ClassName(window).rfind("Pelto:", 0) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND SetupRun::BackgroundWindow() const
{
    BackgroundSearch search{m_process->Id(), nullptr};
    ::EnumWindows(FindBackground, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool SetupRun::EndSession() const
{
    HWND background = BackgroundWindow();
    return background && ::SendNotifyMessageA(background, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF) &&
           ::SendNotifyMessageA(background, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
}

void SetupRun::UseStatusLibrary(const std::string& library, const std::string& programFolder)
{
    const std::string folder = programFolder.empty() ? m_dir.Path() : programFolder;
    if (!::CopyFileA(WindowsPath(library).c_str(), (folder + "ismif32.dll").c_str(), FALSE))
        throw std::runtime_error("cannot copy the status library");
    ::DeleteFileA((m_dir / "pelto.mif").c_str());
    // The program started next inherits it.
    ::SetEnvironmentVariableA("ISMIF32_STATUS_DIR", m_dir.Path().c_str());
    m_bStatusDirectorySet = true;
}

std::string SetupRun::StatusReport() const
{
    const std::string path = m_dir / "pelto.mif";
    if (!FileExists(path))
        return "(none)";
    const std::string report = ReadFileBytes(path);
    const auto field = [&report](const std::string& key) {
        const std::size_t start = report.find("\n" + key + "=");
        if (start == std::string::npos)
            return std::string("?");
        const std::size_t value = start + key.size() + 2;
        return report.substr(value, report.find_first_of("\r\n", value) - value);
    };
    return field("statusText") + "|" + field("success");
}

std::string RegString(const char* key, const char* name)
{
    char text[512] = {};
    DWORD size = sizeof text;
    return ::RegGetValueA(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, text, &size) == ERROR_SUCCESS
               ? text
               : "(none)";
}

long SharedCount(const std::string& path)
{
    DWORD count = 0, size = sizeof count;
    return ::RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
                          path.c_str(), RRF_RT_REG_DWORD, nullptr, &count, &size) == ERROR_SUCCESS
               ? static_cast<long>(count)
               : -1;
}

} // namespace setup_run
