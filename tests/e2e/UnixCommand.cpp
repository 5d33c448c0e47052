#include "UnixCommand.h"

#include "support/TempDir.h"
#include "support/UiProbe.h"

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

std::optional<std::string> RunShellScript(const std::string& script, const std::vector<std::string>& arguments,
                                          const std::string& answer, DWORD timeoutMs)
{
    ::DeleteFileA(answer.c_str());
    std::string command = "Z:\\bin\\sh \"" + script + "\"";
    for (const std::string& argument : arguments)
        command += " \"" + argument + "\"";
    command += " \"" + UnixPath(answer) + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return std::nullopt;
    if (process.hProcess)
        ::CloseHandle(process.hProcess);
    if (process.hThread)
        ::CloseHandle(process.hThread);
    if (!ui_probe::WaitUntil([&] { return FileExists(answer); }, timeoutMs))
        return std::nullopt;
    return ReadFileBytes(answer);
}
