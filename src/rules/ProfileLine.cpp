#include "rules/ProfileLine.h"

#include <cctype>

namespace {

// What the profile API trims around keys, values and section names; ^Z, the
// old end-of-file mark, is among them.
bool IsTrimmed(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) || c == '\x1a';
}

bool HasOuterBlanks(const std::string& text)
{
    return !text.empty() && (IsTrimmed(text.front()) || IsTrimmed(text.back()));
}

} // namespace

bool HasLineBreak(const std::string& text)
{
    return text.find_first_of("\r\n") != std::string::npos;
}

bool ReadsBackAsKey(const std::string& key)
{
    return !key.empty() && key.front() != ';' && key.front() != '[' && key.find('=') == std::string::npos &&
           !HasLineBreak(key) && !HasOuterBlanks(key);
}

bool ReadsBackAsSection(const std::string& section)
{
    return !section.empty() && section.find(']') == std::string::npos && !HasLineBreak(section) &&
           !HasOuterBlanks(section);
}

bool ReadsBackAsValue(const std::string& value)
{
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return value.size() <= kMaxProfileValue && !HasLineBreak(value) && !HasOuterBlanks(value) && !quoted;
}
