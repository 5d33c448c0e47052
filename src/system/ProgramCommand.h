#pragma once
// Command lines of the programs the setup program starts, and their start.
// Windows reads an unquoted program path up to its first blank, so the
// product's program in 'C:\Program Files\Pelto' would start 'C:\Program.exe'
// if that exists; a path with a blank is therefore given in double quotes,
// any other bare.
#include "fw/Handle.h"

#include <string>

// The program's path, quoted when it holds a blank or a tab, followed by
// `arguments` as they are (" /install").
std::string MakeCommandLine(const std::string& programPath, const std::string& arguments);

// Starts `commandLine` with CreateProcessA, shown normally, inheriting no
// handles, in the current directory, and returns at once: unlike WinExec it
// does not wait until the program is ready for input. The thread's handle is
// closed here; the process's is returned for a caller that waits for it
// (dropping it closes it), and is empty when the program could not be
// started.
CHandle StartProgram(const std::string& commandLine);
