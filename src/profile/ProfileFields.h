#pragma once
// Fields of a profile value: a record of texts separated by a character
// ("|" everywhere in the program), read by position from 0. Nothing is
// trimmed. The separator search is multi-byte aware, as the C run-time's
// multi-byte search is under its default (ANSI) code page: a separator byte
// that is the trail byte of a double-byte character does not separate. Numbers follow the C run-time atol rules: leading white space, one
// optional sign, decimal digits up to the first other character (none gives
// 0), accumulated in 32 bits (wrapping).
//
// A missing field (fewer than n separators) answers FALSE: GetField empties its
// output, the typed readers leave theirs untouched so the caller's default stands.
#include <windows.h>

#include <cstdint>
#include <string>

constexpr char kFieldSeparator = '|';

BOOL GetField(std::string& out, const char* value, int n, char sep = kFieldSeparator);
// The low 16 bits of the number, as a signed value ('70000' gives 4464).
BOOL GetShortField(std::int16_t& out, const char* value, int n, char sep = kFieldSeparator);
BOOL GetLongField(std::int32_t& out, const char* value, int n, char sep = kFieldSeparator);
// 1 when the number is not 0, else 0 (an empty or non-numeric field gives 0).
BOOL GetBoolField(int& out, const char* value, int n, char sep = kFieldSeparator);

inline BOOL GetField(std::string& out, const std::string& value, int n, char sep = kFieldSeparator)
{
    return GetField(out, value.c_str(), n, sep);
}
inline BOOL GetShortField(std::int16_t& out, const std::string& value, int n, char sep = kFieldSeparator)
{
    return GetShortField(out, value.c_str(), n, sep);
}
inline BOOL GetLongField(std::int32_t& out, const std::string& value, int n, char sep = kFieldSeparator)
{
    return GetLongField(out, value.c_str(), n, sep);
}
inline BOOL GetBoolField(int& out, const std::string& value, int n, char sep = kFieldSeparator)
{
    return GetBoolField(out, value.c_str(), n, sep);
}

// The code page whose lead bytes the separator search honours: CP_ACP, the
// process's ANSI code page. Tests set a double-byte one to exercise it anywhere.
UINT GetFieldCodePage() noexcept;
void SetFieldCodePage(UINT codePage) noexcept;

// The C run-time atol rules, without its undefined behaviour on overflow.
std::int32_t ParseLong(const char* text) noexcept;
