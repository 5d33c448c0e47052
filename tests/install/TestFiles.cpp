#include "install/TestFiles.h"

#include <windows.h>

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
    static int serial = 0;
    const std::string name = "PeltoHeldOpen" + std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(++serial);
    const HANDLE ready = ::CreateEventA(nullptr, TRUE, FALSE, (name + "_ready").c_str());
    m_hRelease = ::CreateEventA(nullptr, TRUE, FALSE, (name + "_release").c_str());
    std::string command = "\"" + TestProgramDir() + "HoldOpen.exe\" \"" + path + "\" " + name + "_ready " + name +
                          "_release" +
                          (mode == HoldMode::deleteSharing ? " share-delete" : mode == HoldMode::image ? " image" : "");
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (ready && m_hRelease &&
        ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ::CloseHandle(process.hThread);
        m_hProcess = process.hProcess;
        const HANDLE waitFor[] = {ready, process.hProcess};
        m_bHolding = ::WaitForMultipleObjects(2, waitFor, FALSE, 60000) == WAIT_OBJECT_0;
    }
    if (ready)
        ::CloseHandle(ready);
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
