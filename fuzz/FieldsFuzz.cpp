// Fuzz target: the record-field parser of profile values. Input: one byte of
// options (bit 0: a double-byte code page, bit 1: ';' instead of '|' as the
// separator), one byte giving the field number, then the value. Besides
// crashes and sanitizer reports it checks what every reader relies on: the
// fields put back together with their separators give the value again, a
// field past the last is missing and leaves typed outputs alone, and numbers
// follow the C run-time's conversion.
#include "rules/ProfileFields.h"

#include "fw/CodePage.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// The C library's conversion, wrapped to 32 bits, where it cannot overflow.
bool ReferenceLong(const std::string& text, std::int32_t& number)
{
    errno = 0;
    const long long wide = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE)
        return false;
    number = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<unsigned long long>(wide)));
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    SetFieldCodePage((data[0] & 1) ? 932 : kAnsiCodePage);
    const char sep = (data[0] & 2) ? ';' : kFieldSeparator;
    const int n = static_cast<std::int8_t>(data[1]);
    const std::string value(reinterpret_cast<const char*>(data + 2), size - 2);
    const char* text = value.c_str();  // cut at an embedded NUL, as a profile value is

    std::string field;
    const bool found = GetField(field, text, n, sep);
    Require(found || field.empty());
    Require(!found || (n >= 0 && std::strstr(text, field.c_str()) != nullptr));

    // Fields 0..last joined again.
    std::string joined;
    int last = 0;
    for (;; ++last) {
        Require(last <= static_cast<int>(std::strlen(text)));
        GetField(field, text, last, sep);
        joined += field;
        if (!GetField(field, text, last + 1, sep))
            break;
        joined += sep;
    }
    Require(joined == text);
    Require(found == (n >= 0 && n <= last));

    std::int32_t longValue = 0x5A5A5A5A;
    std::int16_t shortValue = 0x5A5A;
    int boolValue = 0x5A;
    const bool gotLong = GetLongField(longValue, text, n, sep);
    const bool gotShort = GetShortField(shortValue, text, n, sep);
    const bool gotBool = GetBoolField(boolValue, text, n, sep);
    Require(gotLong == found && gotShort == found && gotBool == found);
    if (!found) {
        Require(longValue == 0x5A5A5A5A && shortValue == 0x5A5A && boolValue == 0x5A);
        return 0;
    }
    GetField(field, text, n, sep);
    Require(longValue == ParseLong(field.c_str()));
    Require(shortValue == static_cast<std::int16_t>(static_cast<std::uint16_t>(longValue)));
    Require(boolValue == (longValue != 0 ? 1 : 0));
    std::int32_t reference;
    if (ReferenceLong(field, reference))
        Require(longValue == reference);
    return 0;
}
