#pragma once
// The few Windows declarations the profile's field parser needs, so that it
// builds natively for the fuzzer. Lead bytes follow code page 932 (Shift-JIS)
// when that page is asked for; every other page is single-byte.
typedef int BOOL;
typedef unsigned int UINT;
typedef unsigned char BYTE;
#define TRUE 1
#define FALSE 0
#define CP_ACP 0u

inline BOOL IsDBCSLeadByteEx(UINT codePage, BYTE c)
{
    return codePage == 932 && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC));
}
