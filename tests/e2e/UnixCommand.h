#pragma once
// Unix programs started by the end-to-end tests from inside Wine, which
// starts them but gives them neither a process handle nor pipes: a script
// writes its answer to a file and renames it into place once complete.
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

// The Unix path of a Windows path, from Wine's kernel32; empty elsewhere.
std::string UnixPath(const std::string& path);

// Runs `/bin/sh script arguments... answer` (answer: the Unix path of the
// Windows path `answer`) and returns what the script wrote there; nothing
// when it could not be started or did not answer within `timeoutMs`.
std::optional<std::string> RunShellScript(const std::string& script, const std::vector<std::string>& arguments,
                                          const std::string& answer, DWORD timeoutMs = 20000);
