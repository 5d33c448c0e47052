#pragma once
// What diskset checks of the setup program before it goes onto diskette 1.
//
// Windows NT pages a program in from the disk it was started from. Started
// from diskette 1, a setup program whose pages are not all read yet when the
// user puts in diskette 2 would be read from the wrong diskette. The two
// run-from-swap flags of the PE file header make Windows copy the program
// whole before it starts:
//
//   offset 0x3C            u32  e_lfanew, where the PE signature is
//   e_lfanew               "PE\0\0"
//   e_lfanew + 4 + 18      u16  Characteristics
//                               0x0400 IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP
//                               0x0800 IMAGE_FILE_NET_RUN_FROM_SWAP
#include <string>

enum class SetupProgramKind {
    runsFromSwap,       // a Windows program with both flags
    pagedFromItsDisk,   // a Windows program without one of them
    notWindowsProgram,  // no PE header at all
};

// Throws CInputError when the file cannot be read.
SetupProgramKind ExamineSetupProgram(const std::string& path);
