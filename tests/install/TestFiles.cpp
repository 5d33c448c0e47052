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
