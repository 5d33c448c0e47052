#pragma once
// Shortcuts read back by Debian's lnkinfo, a reader apart from the Windows
// shell that wrote them. Runs only under Wine, which starts Unix programs.
#include <map>
#include <string>

// The fields lnkinfo shows for the shortcut at `path` (a Windows path), by
// name ("Local path", "Command line arguments", ...); empty when lnkinfo
// could not be run or did not end in time. `scratch` is a folder for its output.
std::map<std::string, std::string> ReadShortcutWithLnkinfo(const std::string& path, const std::string& scratch);
