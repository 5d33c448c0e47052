// _cleanup.exe, Pelto's clean-up after a removal. The setup program removes
// the installation but cannot delete itself while it runs; it starts this
// program from the System directory as it ends, with " /U /PP:<profile>",
// the setup profile's path beside the setup program. This program waits until
// the setup program has ended, deletes it and its profile and then the folder
// when that is empty. It acts only when that folder is the installation's
// (destination 0 of the install log), so a removal started from a diskette
// or its copy on disk leaves the diskette alone.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

const char kLogFile[] = "pelto.log";
constexpr DWORD kWaitMilliseconds = 20000;
constexpr DWORD kRetryMilliseconds = 200;

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The short form of an existing folder, upper-cased with a trailing
// backslash, so that two spellings of one folder compare equal.
std::string CanonicalFolder(std::string folder)
{
    if (folder.empty())
        return folder;
    if (folder.back() != '\\')
        folder += '\\';
    char shortPath[MAX_PATH] = {};
    const DWORD length = ::GetShortPathNameA(folder.c_str(), shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    std::string canonical(shortPath, length);
    ::CharUpperBuffA(canonical.data(), static_cast<DWORD>(canonical.size()));
    return canonical;
}

// The folder destination 0 resolved to, as the install log records it
// ("0=name|base|path", the path its third field).
std::string InstalledFolder()
{
    char windows[MAX_PATH] = {};
    const UINT length = ::GetWindowsDirectoryA(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    std::string log(windows, length);
    if (log.back() != '\\')
        log += '\\';
    log += kLogFile;
    char line[256] = {};
    ::GetPrivateProfileStringA("destinations", "0", "", line, sizeof line, log.c_str());
    const char* path = std::strchr(line, '|');
    path = path ? std::strchr(path + 1, '|') : nullptr;
    return path ? path + 1 : "";
}

// Tells Windows that this program waits for input: the setup program starts
// it with WinExec, which waits until the new program is idle (or 30 seconds),
// and only then ends and frees its file.
void SignalIdle()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        ::DispatchMessageA(&msg);
}

// Deletes a file, retrying while it is still in use; true when it is gone.
bool DeleteWhenFree(const std::string& path)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        SignalIdle();
        if (::DeleteFileA(path.c_str()))
            return true;
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return true;
        if (::GetTickCount() - start >= kWaitMilliseconds)
            return false;
        ::Sleep(kRetryMilliseconds);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    // The setup program starts this one with WinExec, which returns only when
    // the new program first waits for input (or after 30 seconds): wait for
    // none at once, or the setup program would still be waiting while this one
    // waits for it to end.
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
    SignalIdle();
    const std::string arguments = commandLine ? commandLine : "";
    const auto profileAt = arguments.find("/PP:");
    if (arguments.find("/U") == std::string::npos || profileAt == std::string::npos)
        return 1;
    std::string profile = arguments.substr(profileAt + 4);
    profile = profile.substr(0, profile.find(' '));
    const auto dot = profile.find_last_of('.');
    const std::string folder = FolderOf(profile);
    if (folder.empty() || dot == std::string::npos || dot < folder.size())
        return 1;
    const std::string installed = CanonicalFolder(InstalledFolder());
    if (installed.empty() || installed != CanonicalFolder(folder))
        return 0;

    const std::string setupProgram = profile.substr(0, dot) + ".EXE";
    const bool deleted = DeleteWhenFree(setupProgram);
    ::DeleteFileA(profile.c_str());
    ::RemoveDirectoryA(folder.c_str());
    return deleted ? 0 : 1;
}
