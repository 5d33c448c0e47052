#include "system/Registration.h"

#include "system/ProgramCommand.h"
#include "system/Registry.h"

namespace {

const char kAppPathsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

} // namespace

std::string AppPathKey(const CPathName& programPath)
{
    return kAppPathsKey + programPath.GetFileName();
}

std::string UninstallKey(const std::string& keyName)
{
    return kUninstallKey + keyName;
}

BOOL RegisterAppPath(const CPathName& programPath)
{
    CRegistryKey key;
    if (!key.Create(HKEY_LOCAL_MACHINE, AppPathKey(programPath).c_str(), nullptr, KEY_ALL_ACCESS))
        return FALSE;
    const BOOL program = key.WriteString("", programPath);
    const BOOL directory = key.WriteString("Path", programPath.GetDriveDirectory().c_str());
    return program && directory;
}

BOOL UnregisterAppPath(const CPathName& programPath)
{
    return CRegistryKey().DeleteKey(HKEY_LOCAL_MACHINE, AppPathKey(programPath).c_str());
}

void RegisterUninstall(const std::string& command, const std::string& keyName, const std::string& displayName)
{
    const std::string key = kUninstallKey + keyName;
    {
        CRegistryString name(HKEY_LOCAL_MACHINE, key.c_str(), "DisplayName", nullptr, TRUE, TRUE);
        name.SetText(displayName.c_str());
    }
    CRegistryString removal(HKEY_LOCAL_MACHINE, key.c_str(), "UninstallString", nullptr, TRUE, TRUE);
    removal.SetText(command.c_str());
}

BOOL UnregisterUninstall(const std::string& keyName)
{
    return CRegistryKey().DeleteKey(HKEY_LOCAL_MACHINE, (kUninstallKey + keyName).c_str());
}

BOOL RegisterUninstallDetails(const std::string& keyName, const UninstallDetails& details)
{
    CRegistryKey key;
    if (!key.Create(HKEY_LOCAL_MACHINE, (kUninstallKey + keyName).c_str(), nullptr, KEY_ALL_ACCESS))
        return FALSE;
    BOOL written = key.WriteString("QuietUninstallString", details.quietCommand.c_str());
    written &= key.WriteString("InstallLocation", details.installLocation.c_str());
    written &= key.WriteString("DisplayIcon", details.displayIcon.c_str());
    written &= key.WriteNumber("EstimatedSize", details.estimatedSizeKb);
    written &= key.WriteNumber("NoModify", 1);
    written &= key.WriteNumber("NoRepair", 1);
    return written;
}

std::string MakeRemovalCommand(const CPathName& mainDirectory, const char* options)
{
    CPathName setup;
    setup.SetModuleFileName();
    CPathName command = mainDirectory;
    if (!command.SetFileName(setup.GetFileName()))
        return std::string();
    return MakeCommandLine(command.GetPath(), options);
}

void StartInstalledProgram(const CPathName& programPath)
{
    StartProgram(MakeCommandLine(programPath.GetPath(), " /install"));
}
