#pragma once
// The files the install tests work on: the test DLLs and the helper program
// built beside the test program.
#include <string>

// The folder of the running test program, ending in a backslash.
std::string TestProgramDir();
// A test DLL by name: "v4000", "v4001", "v4010", "unversioned", "damaged".
std::string TestDll(const std::string& name);
// Sets the last-write time of a file (seconds since 1970).
void SetModifiedTime(const std::string& path, long long seconds);
