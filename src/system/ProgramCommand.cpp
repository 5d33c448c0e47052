#include "system/ProgramCommand.h"

#include <vector>

std::string MakeCommandLine(const std::string& programPath, const std::string& arguments)
{
    if (programPath.find_first_of(" \t") == std::string::npos)
        return programPath + arguments;
    return '"' + programPath + '"' + arguments;
}

CHandle StartProgram(const std::string& commandLine)
{
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');  // CreateProcessA may write into it
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION created = {};
    if (!::CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &created))
        return CHandle();
    const CHandle thread(created.hThread);
    return CHandle(created.hProcess);
}
