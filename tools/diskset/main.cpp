// diskset: the vendor's tool that builds, lists and tests diskette sets.
#include "Diskset.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    const int status = RunDiskset(args, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
