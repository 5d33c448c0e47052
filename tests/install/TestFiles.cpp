#include "install/TestFiles.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>

std::string TestProgramDir()
{
    char path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

std::string TestDll(const std::string& name)
{
    return TestProgramDir() + name + ".dll";
}

void SetModifiedTime(const std::string& path, long long seconds)
{
    const long long ticks = (seconds + 11644473600LL) * 10000000LL;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot open " + path);
    const BOOL ok = ::SetFileTime(file, nullptr, nullptr, &time);
    ::CloseHandle(file);
    if (!ok)
        throw std::runtime_error("cannot set the time of " + path);
}

CHeldOpen::CHeldOpen(const std::string& path, HoldMode mode)
{
    // A helper that ends before it has the file (Wine under load has been
    // seen to end one at its start) is started again: only one that stays
    // up and says it holds the file counts.
    for (int attempt = 1; attempt <= 3 && !m_bHolding; ++attempt) {
        DWORD exitCode = 0;
        if (Start(path, mode, exitCode))
            break;
        std::fprintf(stderr, "HoldOpen for %s ended with %lu before holding it (attempt %d)\n", path.c_str(),
                     static_cast<unsigned long>(exitCode), attempt);
    }
}

bool CHeldOpen::Start(const std::string& path, HoldMode mode, unsigned long& exitCode)
{
    static int serial = 0;
    const std::string name = "PeltoHeldOpen" + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(++serial);
    const HANDLE ready = ::CreateEventA(nullptr, TRUE, FALSE, (name + "_ready").c_str());
    const HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, (name + "_release").c_str());
    std::string command = "\"" + TestProgramDir() + "HoldOpen.exe\" \"" + path + "\" " + name + "_ready " + name +
                          "_release" +
                          (mode == HoldMode::deleteSharing ? " share-delete" : mode == HoldMode::image ? " image" : "");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    bool started = false;
    if (ready && release &&
        ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ::CloseHandle(process.hThread);
        const HANDLE waitFor[] = {ready, process.hProcess};
        if (::WaitForMultipleObjects(2, waitFor, FALSE, 60000) == WAIT_OBJECT_0) {
            m_hProcess = process.hProcess;
            m_hRelease = release;
            m_bHolding = true;
            started = true;
        } else {
            ::SetEvent(release);
            ::WaitForSingleObject(process.hProcess, 60000);
            DWORD code = 0;
            ::GetExitCodeProcess(process.hProcess, &code);
            exitCode = code;
            ::CloseHandle(process.hProcess);
        }
    } else {
        exitCode = ::GetLastError();
    }
    if (ready)
        ::CloseHandle(ready);
    if (release && !started)
        ::CloseHandle(release);
    return started;
}

CHeldOpen::~CHeldOpen()
{
    if (m_hRelease) {
        ::SetEvent(m_hRelease);
        ::CloseHandle(m_hRelease);
    }
    if (m_hProcess) {
        ::WaitForSingleObject(m_hProcess, 60000);
        ::CloseHandle(m_hProcess);
    }
}
