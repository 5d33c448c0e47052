#pragma once
// An INI file read as text, keeping every section and key in file order with
// its line number, so that a layout can be checked and every complaint can
// name the line it is about. Lines: "[section]", "key=value", comments
// starting with ';' or '#', blank lines. Keys and values are trimmed; there
// are no comments after a value (as in Windows profile files).
#include <stdexcept>
#include <string>
#include <vector>

// A complaint about an input, ready to print: "file:line: reason".
class CInputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct IniEntry {
    std::string key;
    std::string value;
    int line = 0;
};

struct IniSection {
    std::string name;
    int line = 0;
    std::vector<IniEntry> entries;

    const IniEntry* Find(const std::string& key) const;  // case-insensitive
};

class CIniFile {
public:
    // Reads and parses the file; throws CInputError for a line that is not
    // a section, an entry or a comment, an entry before any section, a
    // section given twice or a key given twice in one section.
    void Load(const std::string& path);
    void Parse(const std::string& text, const std::string& displayName);

    const IniSection* Find(const std::string& name) const;  // case-insensitive
    const std::vector<IniSection>& Sections() const noexcept { return m_sections; }
    const std::string& DisplayName() const noexcept { return m_displayName; }

    // "file:line: reason" for an entry of this file.
    std::string Where(int line) const;

private:
    std::string m_displayName;
    std::vector<IniSection> m_sections;
};

bool EqualNoCase(const std::string& a, const std::string& b);
std::string Trim(const std::string& text);
// Splits a record of the layout's own at '|', each field trimmed. Values of
// a setup profile are read by the setup program's rules instead
// (rules/ProfileFields.h), which trim nothing.
std::vector<std::string> SplitFields(const std::string& value);
