#pragma once
// The diskset command line: build, list, test and extract. Returns the exit
// status: 0 success, 1 a fault was found or the build failed, 2 a usage error.
#include <ostream>
#include <string>
#include <vector>

int RunDiskset(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
