/* Stand-in for the status library of a systems-management agent, for the tests
 * and the demo. InstallStatusMIF records its eight arguments in the status file
 * "<mifName>.mif" and returns TRUE, or FALSE when the file cannot be written.
 *
 * The status file lies in the folder named by the environment variable
 * ISMIF32_STATUS_DIR, or else in the folder of this DLL. It is rewritten on
 * every call and holds one line per argument, in the order of the call, each
 * ended by CR LF:
 *
 *   mifName=pelto
 *   manufacturer=
 *   product=Pelto
 *   version=1.0
 *   locale=ENU
 *   serialNumber=(null)
 *   statusText=Successful installation.
 *   success=1
 *
 * A null string is written as "(null)". A mifName that is empty or holds a path
 * separator gives the file name "status.mif". */
#include <windows.h>
#include <stdio.h>
#include <string.h>

static HMODULE g_module;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

/* The status folder with a trailing backslash; FALSE when it does not fit. */
static BOOL StatusFolder(char* folder, DWORD size)
{
    DWORD length = GetEnvironmentVariableA("ISMIF32_STATUS_DIR", folder, size);
    if (length >= size)
        return FALSE;
    if (length == 0) {
        char* slash;
        length = GetModuleFileNameA(g_module, folder, size);
        if (length == 0 || length >= size)
            return FALSE;
        slash = strrchr(folder, '\\');
        if (!slash)
            return FALSE;
        slash[1] = '\0';
        return TRUE;
    }
    if (folder[length - 1] != '\\' && folder[length - 1] != '/') {
        if (length + 1 >= size)
            return FALSE;
        folder[length] = '\\';
        folder[length + 1] = '\0';
    }
    return TRUE;
}

static void WriteField(FILE* file, const char* key, const char* value)
{
    fprintf(file, "%s=%s\n", key, value ? value : "(null)");
}

__declspec(dllexport) BOOL WINAPI InstallStatusMIF(LPCSTR mifName, LPCSTR manufacturer, LPCSTR product,
                                                   LPCSTR version, LPCSTR locale, LPCSTR serialNumber,
                                                   LPCSTR statusText, BOOL success)
{
    char path[MAX_PATH];
    const char* name = "status";
    FILE* file;
    BOOL written;

    if (!StatusFolder(path, sizeof path))
        return FALSE;
    if (mifName && mifName[0] && !strpbrk(mifName, "\\/:"))
        name = mifName;
    if (strlen(path) + strlen(name) + sizeof ".mif" > sizeof path)
        return FALSE;
    strcat(path, name);
    strcat(path, ".mif");

    file = fopen(path, "w");
    if (!file)
        return FALSE;
    WriteField(file, "mifName", mifName);
    WriteField(file, "manufacturer", manufacturer);
    WriteField(file, "product", product);
    WriteField(file, "version", version);
    WriteField(file, "locale", locale);
    WriteField(file, "serialNumber", serialNumber);
    WriteField(file, "statusText", statusText);
    fprintf(file, "success=%d\n", (int)success);
    written = !ferror(file);
    if (fclose(file) != 0)
        written = FALSE;
    return written;
}
