#include "LnkInfo.h"

#include "support/TempDir.h"
#include "support/UiProbe.h"

#include <sstream>

#include <windows.h>

namespace {

// The Unix path of a Windows path, from Wine's kernel32; empty elsewhere.
std::string UnixPath(const std::string& path)
{
    using Convert = char*(CDECL*)(const WCHAR*);
    const auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    WCHAR wide[MAX_PATH] = {};
    if (!convert || !::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH))
        return {};
    char* unix = convert(wide);
    if (!unix)
        return {};
    std::string result = unix;
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return result;
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    const std::size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

} // namespace

std::map<std::string, std::string> ReadShortcutWithLnkinfo(const std::string& path, const std::string& scratch)
{
    const std::string output = scratch + "lnkinfo.txt";
    ::DeleteFileA(output.c_str());
    // Wine gives the Unix program no process handle to wait on: the script
    // renames its output into place when lnkinfo has ended.
    std::string command = std::string("Z:\\bin\\sh \"") + PELTO_LNKINFO_SCRIPT + "\" \"" +
                          UnixPath(path) + "\" \"" + UnixPath(output) + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return {};
    if (process.hProcess)
        ::CloseHandle(process.hProcess);
    if (process.hThread)
        ::CloseHandle(process.hThread);
    if (!ui_probe::WaitUntil([&] { return FileExists(output); }))
        return {};

    std::map<std::string, std::string> fields;
    std::istringstream lines(ReadFileBytes(output));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && !Trimmed(line.substr(0, colon)).empty())
            fields.emplace(Trimmed(line.substr(0, colon)), Trimmed(line.substr(colon + 1)));
    }
    return fields;
}
