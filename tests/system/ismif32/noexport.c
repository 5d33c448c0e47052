/* A library named ismif32.dll that lacks the export InstallStatusMIF, for the
 * test of a status library of the wrong kind. So that the test can tell it was
 * loaded and released, it appends "attach" and "detach" lines to the file
 * "noexport.trace" in the folder named by ISMIF32_STATUS_DIR. Only kernel32 is
 * used here, as DllMain must not rely on the C run-time. */
#include <windows.h>

static void Trace(const char* line, DWORD length)
{
    char path[MAX_PATH];
    DWORD size = GetEnvironmentVariableA("ISMIF32_STATUS_DIR", path, MAX_PATH - 20);
    HANDLE file;
    DWORD written;
    if (size == 0 || size >= MAX_PATH - 20)
        return;
    lstrcatA(path, "\\noexport.trace");
    file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    WriteFile(file, line, length, &written, NULL);
    CloseHandle(file);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        Trace("attach\n", 7);
    else if (reason == DLL_PROCESS_DETACH)
        Trace("detach\n", 7);
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI InstallStatus(void)
{
    return TRUE;
}
