/* Holds a file open without delete sharing, as a program using it would.
   HoldOpen <file> <ready event> <release event> [share-delete]: opens the
   file, signals the first event and keeps the file open until the second is
   signalled (or two minutes have passed, so that a failed test leaves nothing
   behind). With share-delete the file may be deleted meanwhile, but keeps its
   name until it is closed. */
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5)
        return 2;
    const DWORD share = argc == 5 ? FILE_SHARE_READ | FILE_SHARE_DELETE : FILE_SHARE_READ;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, share, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 3;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[3]);
    if (!ready || !release)
        return 4;
    SetEvent(ready);
    WaitForSingleObject(release, 120000);
    CloseHandle(file);
    return 0;
}
