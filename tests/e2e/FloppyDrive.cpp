#include "FloppyDrive.h"
#include "UnixCommand.h"

#include <utility>

CFloppyDrive::CFloppyDrive(std::string mountPoint, std::string scratch)
    : m_strMountPoint(std::move(mountPoint)), m_strScratch(std::move(scratch))
{
}

CFloppyDrive::~CFloppyDrive()
{
    if (m_bInserted)
        Eject();
}

std::string CFloppyDrive::Insert(const std::string& image)
{
    const std::string answer = Run("insert", image);
    m_bInserted = answer == "ok";
    return answer;
}

std::string CFloppyDrive::Eject()
{
    const std::string answer = Run("eject");
    if (answer == "ok")
        m_bInserted = false;
    return answer;
}

std::string CFloppyDrive::Holders()
{
    return Run("holders");
}

std::string CFloppyDrive::Run(const std::string& command, const std::string& argument)
{
    std::vector<std::string> arguments{command};
    if (!argument.empty())
        arguments.push_back(argument);
    arguments.push_back(m_strMountPoint);
    const std::optional<std::string> answer = RunShellScript(PELTO_FLOPPY_SCRIPT, arguments, m_strScratch + "floppy.txt");
    if (!answer)
        return "floppy.sh " + command + " did not answer";
    std::string text = *answer;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}
