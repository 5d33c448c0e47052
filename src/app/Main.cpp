// INSTALL.EXE: the setup program of Pelto.
#include "app/SetupApp.h"

#include <windows.h>

namespace {
CSetupApp theApp;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    return AfxWinMain(instance, commandLine, showCommand);
}
