/* Stands in for a program that setup starts (the product's program, the
   clean-up program): writes the command line it was started with and its
   current directory, one a line, to a file named after itself with ".args"
   appended ('C:\PELTO\pelto.exe.args'), and ends at once. The file appears
   whole: it is written under another name first. While a file named after
   itself with ".hold" appended exists, it waits before it ends (at most a
   minute), so that whoever waits for it waits until the test lets go. */
#include <string.h>
#include <windows.h>

static BOOL WriteText(HANDLE file, const char* text)
{
    DWORD written = 0;
    const DWORD length = (DWORD)strlen(text);
    return WriteFile(file, text, length, &written, NULL) && written == length;
}

int main(void)
{
    char path[MAX_PATH + 16];
    char scratch[MAX_PATH + 16];
    char directory[MAX_PATH];
    const DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 2;
    strcat(path, ".args");
    strcpy(scratch, path);
    strcat(scratch, ".new");
    if (!GetCurrentDirectoryA(sizeof directory, directory))
        return 3;

    HANDLE file = CreateFileA(scratch, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 4;
    const BOOL written = WriteText(file, GetCommandLineA()) && WriteText(file, "\r\n") &&
                         WriteText(file, directory) && WriteText(file, "\r\n");
    CloseHandle(file);
    if (!written || !MoveFileExA(scratch, path, MOVEFILE_REPLACE_EXISTING))
        return 5;

    char hold[MAX_PATH + 16];
    GetModuleFileNameA(NULL, hold, MAX_PATH);
    strcat(hold, ".hold");
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(hold) != INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 60000)
        Sleep(10);
    return 0;
}
