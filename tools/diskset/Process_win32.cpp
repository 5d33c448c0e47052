#include "Process.h"

#include "IniFile.h"

bool ProgramOnPath(const std::string&)
{
    return false;
}

int RunProgram(const std::vector<std::string>& args, const std::vector<std::string>&, std::string&)
{
    throw CInputError("the Windows build of diskset cannot start " + (args.empty() ? std::string("programs") : args[0]));
}
