#include "rules/ProfileFields.h"

#include "fw/CodePage.h"

namespace {

unsigned g_fieldCodePage = kAnsiCodePage;

// The next separator at or after text, null when there is none. A lead byte
// takes its trail byte with it; a lead byte just before the end stands alone,
// so the search never passes the terminator (a NUL separator finds nothing).
const char* FindSeparator(const char* text, char sep)
{
    for (const char* p = text; *p != '\0';) {
        if (*p == sep)
            return p;
        p += (AfxIsLeadByte(g_fieldCodePage, static_cast<unsigned char>(*p)) && p[1] != '\0') ? 2 : 1;
    }
    return nullptr;
}

// Start and length of field n, or false.
bool LocateField(const char* value, int n, char sep, const char*& start, std::size_t& length)
{
    if (!value || n < 0)
        return false;
    const char* p = value;
    for (int i = 0; i < n; ++i) {
        const char* next = FindSeparator(p, sep);
        if (!next)
            return false;
        p = next + 1;
    }
    const char* end = FindSeparator(p, sep);
    start = p;
    length = end ? static_cast<std::size_t>(end - p) : std::char_traits<char>::length(p);
    return true;
}

template <typename T>
bool GetNumberField(T& out, const char* value, int n, char sep, T (*convert)(std::int32_t))
{
    std::string field;
    if (!GetField(field, value, n, sep))
        return false;
    out = convert(ParseLong(field.c_str()));
    return true;
}

} // namespace

unsigned GetFieldCodePage() noexcept
{
    return g_fieldCodePage;
}

void SetFieldCodePage(unsigned codePage) noexcept
{
    g_fieldCodePage = codePage;
}

std::int32_t ParseLong(const char* text) noexcept
{
    if (!text)
        return 0;
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    std::uint32_t number = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        number = number * 10u + static_cast<std::uint32_t>(*p - '0');
    if (negative)
        number = 0u - number;
    return static_cast<std::int32_t>(number);
}

bool GetField(std::string& out, const char* value, int n, char sep)
{
    const char* start = nullptr;
    std::size_t length = 0;
    if (!LocateField(value, n, sep, start, length)) {
        out.clear();
        return false;
    }
    out.assign(start, length);
    return true;
}

bool GetShortField(std::int16_t& out, const char* value, int n, char sep)
{
    return GetNumberField<std::int16_t>(out, value, n, sep, [](std::int32_t number) {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(number & 0xFFFF));
    });
}

bool GetLongField(std::int32_t& out, const char* value, int n, char sep)
{
    return GetNumberField<std::int32_t>(out, value, n, sep, [](std::int32_t number) { return number; });
}

bool GetBoolField(int& out, const char* value, int n, char sep)
{
    return GetNumberField<int>(out, value, n, sep, [](std::int32_t number) { return number != 0 ? 1 : 0; });
}
