// The Pelto ledger engine, PELTO32.DLL: reads the lines of a ledger file.
// Shared by the Pelto programs, so it lives in the System directory. Plain C
// interface with fixed buffers, so any compiler's program can call it.
#pragma once

#include <windows.h>

#ifdef PELTO32_BUILD
#define PELTO32_API extern "C" __declspec(dllexport)
#else
#define PELTO32_API extern "C" __declspec(dllimport)
#endif

enum : int {
    kLedgerFieldCount = 4,
    kLedgerFieldSize = 64,
};

// One entry of a ledger: its kind ("PARCEL", "SOWN", ...) and up to four fields.
struct PeltoLedgerEntry {
    char kind[16];
    int fieldCount;
    char fields[kLedgerFieldCount][kLedgerFieldSize];
};

// The engine's version, "1.0".
PELTO32_API const char* WINAPI PeltoEngineVersion(void);

// Splits one line of a ledger file ("PARCEL North field|12.5 ha|barley") into
// an entry. Returns FALSE for blank lines and comments (';'); over-long words
// and fields are cut to their buffers.
PELTO32_API BOOL WINAPI PeltoParseLedgerLine(const char* line, PeltoLedgerEntry* entry);
