#include "system/ProgramCommand.h"

std::string MakeCommandLine(const std::string& programPath, const std::string& arguments)
{
    if (programPath.find_first_of(" \t") == std::string::npos)
        return programPath + arguments;
    return '"' + programPath + '"' + arguments;
}
