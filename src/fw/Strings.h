#pragma once
// Strings of the string table and printf-style formatting into std::string.
#include <string>

// The string with the given id from the program's string table; empty when
// there is none. Windows reads the resources of the running module; the native
// build reads the same table compiled in (res/StringTable.cpp).
std::string AfxLoadString(unsigned id);
bool AfxLoadString(unsigned id, std::string& text);

// printf-style formatting of any length.
std::string StringFormat(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The string table of the native build, a sorted list defined by res/.
struct StringTableEntry {
    unsigned id;
    const char* text;
};
