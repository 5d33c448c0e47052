#pragma once
// The installation status report: the outcome of a run handed to the status
// library of a systems-management agent, "ismif32.dll", where one is present.
// The library is loaded for the one call and always released again; a missing
// library or export, or a FALSE answer, is reported only by the result.
#include <windows.h>

// Signature of the library's export "InstallStatusMIF": mifName, manufacturer,
// product, version, locale, serialNumber (may be null), statusText, success.
using InstallStatusMIFProc = BOOL(WINAPI*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR, LPCSTR, LPCSTR, LPCSTR, BOOL);

// Calls "InstallStatusMIF" of "ismif32.dll" with the arguments in the library's
// order (locale and serial number before the status text). FALSE when the
// library or its export cannot be found, else the function's own result.
BOOL WriteInstallStatus(LPCSTR mifName, LPCSTR manufacturer, LPCSTR product, LPCSTR version,
                        LPCSTR statusText, BOOL success, LPCSTR locale, LPCSTR serialNumber);
