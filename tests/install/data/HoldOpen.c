/* Holds a file open as a program using it would.
   HoldOpen <file> <ready event> <release event> [share-delete | image]: opens
   the file, signals the first event and keeps the file open until the second
   is signalled (or two minutes have passed, so that a failed test leaves
   nothing behind). Without a mode the file is opened without delete sharing:
   it can be neither deleted nor renamed. With share-delete it may be deleted
   (it keeps its name until it is closed) or renamed. With image the file, a
   DLL, is mapped as a program's code is: it can be renamed but not deleted. */
#include <string.h>
#include <windows.h>

int main(int argc, char** argv)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    HMODULE image = NULL;
    if (argc != 4 && argc != 5)
        return 2;
    if (argc == 5 && strcmp(argv[4], "image") == 0) {
        image = LoadLibraryExA(argv[1], NULL, DONT_RESOLVE_DLL_REFERENCES);
        if (!image)
            return 3;
    } else {
        const DWORD share = argc == 5 ? FILE_SHARE_READ | FILE_SHARE_DELETE : FILE_SHARE_READ;
        file = CreateFileA(argv[1], GENERIC_READ, share, NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE)
            return 3;
    }
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[3]);
    if (!ready || !release)
        return 4;
    SetEvent(ready);
    WaitForSingleObject(release, 120000);
    if (image)
        FreeLibrary(image);
    else
        CloseHandle(file);
    return 0;
}
