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
BOOL UnregisterAppPath(const CPathName& programPath);

// "Software\Microsoft\Windows\CurrentVersion\Uninstall\" + keyName: values
// "DisplayName" and "UninstallString" (the removal command), each written
// when its bound value is destroyed; the key is created when needed.
void RegisterUninstall(const std::string& command, const std::string& keyName, const std::string& displayName);
BOOL UnregisterUninstall(const std::string& keyName);

// The command that removes the installation: the running setup program's own
// file name in `mainDirectory` (destination 0), then " /U"; the path is quoted
// when it holds a blank.
std::string MakeRemovalCommand(const CPathName& mainDirectory);

// Starts the installed program with " /install", shown normally, without
// waiting for it or looking at the result.
void StartInstalledProgram(const CPathName& programPath);
