#pragma once
// Fields of a profile value: a record of texts separated by a character
// ("|" everywhere in the program), read by position from 0. Nothing is
// trimmed. The separator search is multi-byte aware, as the C run-time's
// multi-byte search is under its default (ANSI) code page: a separator byte
// that is the trail byte of a double-byte character does not separate.
// Numbers follow the C run-time atol rules: leading white space, one optional
// sign, decimal digits up to the first other character (none gives 0),
// accumulated in 32 bits (wrapping).
//
// A missing field (fewer than n separators) answers false: GetField empties its
// output, the typed readers leave theirs untouched so the caller's default stands.
#include <cstdint>
#include <string>

constexpr char kFieldSeparator = '|';

bool GetField(std::string& out, const char* value, int n, char sep = kFieldSeparator);
// The low 16 bits of the number, as a signed value ('70000' gives 4464).
bool GetShortField(std::int16_t& out, const char* value, int n, char sep = kFieldSeparator);
bool GetLongField(std::int32_t& out, const char* value, int n, char sep = kFieldSeparator);
// 1 when the number is not 0, else 0 (an empty or non-numeric field gives 0).
bool GetBoolField(int& out, const char* value, int n, char sep = kFieldSeparator);

inline bool GetField(std::string& out, const std::string& value, int n, char sep = kFieldSeparator)
{
    return GetField(out, value.c_str(), n, sep);
}
inline bool GetShortField(std::int16_t& out, const std::string& value, int n, char sep = kFieldSeparator)
{
    return GetShortField(out, value.c_str(), n, sep);
}
inline bool GetLongField(std::int32_t& out, const std::string& value, int n, char sep = kFieldSeparator)
{
    return GetLongField(out, value.c_str(), n, sep);
}
inline bool GetBoolField(int& out, const std::string& value, int n, char sep = kFieldSeparator)
{
    return GetBoolField(out, value.c_str(), n, sep);
}

// The code page whose lead bytes the separator search honours: the process's
// ANSI code page (kAnsiCodePage of fw/CodePage.h). Tests set a double-byte one
// to exercise it anywhere.
unsigned GetFieldCodePage() noexcept;
void SetFieldCodePage(unsigned codePage) noexcept;

// The C run-time atol rules, without its undefined behaviour on overflow.
std::int32_t ParseLong(const char* text) noexcept;
