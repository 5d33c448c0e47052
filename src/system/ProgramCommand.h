#pragma once
// Command lines of the programs the setup program starts. Windows reads an
// unquoted program path up to its first blank, so the product's program in
// 'C:\Program Files\Pelto' would start 'C:\Program.exe' if that exists; a
// path with a blank is therefore given in double quotes, any other bare.
#include <string>

// The program's path, quoted when it holds a blank or a tab, followed by
// `arguments` as they are (" /install").
std::string MakeCommandLine(const std::string& programPath, const std::string& arguments);
