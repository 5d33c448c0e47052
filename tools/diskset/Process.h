#pragma once
// Starting another program without a shell: the arguments go to it as they
// are, so no name needs quoting. The Windows build of diskset starts none
// and says so.
#include <string>
#include <vector>

// True when a program of this name can be started from PATH.
bool ProgramOnPath(const std::string& name);

// Runs args[0], found on PATH, with args and the environment plus
// environment's "NAME=value" entries (which replace those of the same name),
// stdin from nothing; gathers what it writes to stdout and stderr into
// output. Returns its exit status, -1 when it did not end normally. Throws
// CInputError when it cannot be started.
int RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& environment,
               std::string& output);
