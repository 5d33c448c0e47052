#pragma once
// The installed product as Windows knows it: an App Paths entry for its
// program and an entry in the list of removable software, all REG_SZ values
// under HKEY_LOCAL_MACHINE. Registering and unregistering report nothing; a
// key that cannot be written or deleted leaves the run going on.
#include "system/PathName.h"

#include <string>

// "Software\Microsoft\Windows\CurrentVersion\App Paths\" + the program's file
// name: the default value is the program's full path, "Path" its drive and
// directory without the trailing backslash. FALSE when something was not written.
BOOL RegisterAppPath(const CPathName& programPath);
// The keys below HKEY_LOCAL_MACHINE that registering writes.
std::string AppPathKey(const CPathName& programPath);
std::string UninstallKey(const std::string& keyName);
BOOL UnregisterAppPath(const CPathName& programPath);

// "Software\Microsoft\Windows\CurrentVersion\Uninstall\" + keyName: values
// "DisplayName" and "UninstallString" (the removal command), each written
// when its bound value is destroyed; the key is created when needed.
void RegisterUninstall(const std::string& command, const std::string& keyName, const std::string& displayName);
BOOL UnregisterUninstall(const std::string& keyName);

// What an inventory tool reads beside the name and the removal command.
struct UninstallDetails {
    std::string quietCommand;     // "QuietUninstallString"
    std::string installLocation;  // "InstallLocation": destination 0, no trailing backslash
    std::string displayIcon;      // "DisplayIcon": the product's program
    DWORD estimatedSizeKb = 0;    // "EstimatedSize" (REG_DWORD): KB of the files installed
};
// Writes the details into the key RegisterUninstall made, with "NoModify" and
// "NoRepair" (REG_DWORD 1): the setup program can neither change nor repair
// an installation. They go with the key when it is deleted. FALSE when
// something was not written.
BOOL RegisterUninstallDetails(const std::string& keyName, const UninstallDetails& details);

// The command that removes the installation: the running setup program's own
// file name in `mainDirectory` (destination 0), then `options` (" /U", or
// " /U /Q" for the quiet removal); the path is quoted when it holds a blank.
std::string MakeRemovalCommand(const CPathName& mainDirectory, const char* options = " /U");

// Starts the installed program with " /install", shown normally, without
// waiting for it or looking at the result.
void StartInstalledProgram(const CPathName& programPath);
