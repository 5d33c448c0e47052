#include "system/InstallStatus.h"

#include "fw/Handle.h"

BOOL WriteInstallStatus(LPCSTR mifName, LPCSTR manufacturer, LPCSTR product, LPCSTR version,
                        LPCSTR statusText, BOOL success, LPCSTR locale, LPCSTR serialNumber)
{
    const CModule library(::LoadLibraryA("ismif32.dll"));
    if (!library)
        return FALSE;
    // GetProcAddress answers a generic FARPROC; the export has the signature above.
    auto installStatus = reinterpret_cast<InstallStatusMIFProc>(
        reinterpret_cast<void*>(::GetProcAddress(library.Get(), "InstallStatusMIF")));
    if (!installStatus)
        return FALSE;
    return installStatus(mifName, manufacturer, product, version, locale, serialNumber, statusText, success);
}
