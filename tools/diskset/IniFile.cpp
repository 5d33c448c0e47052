#include "IniFile.h"

#include <cctype>
#include <fstream>
#include <sstream>

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string Trim(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::vector<std::string> SplitFields(const std::string& value)
{
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (;;) {
        const std::size_t bar = value.find('|', from);
        fields.push_back(Trim(value.substr(from, bar == std::string::npos ? std::string::npos : bar - from)));
        if (bar == std::string::npos)
            return fields;
        from = bar + 1;
    }
}

const IniEntry* IniSection::Find(const std::string& key) const
{
    for (const IniEntry& entry : entries)
        if (EqualNoCase(entry.key, key))
            return &entry;
    return nullptr;
}

const IniSection* CIniFile::Find(const std::string& name) const
{
    for (const IniSection& section : m_sections)
        if (EqualNoCase(section.name, name))
            return &section;
    return nullptr;
}

std::string CIniFile::Where(int line) const
{
    return m_displayName + ":" + std::to_string(line) + ": ";
}

void CIniFile::Load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CInputError(path + ": cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    Parse(text.str(), path);
}

void CIniFile::Parse(const std::string& text, const std::string& displayName)
{
    m_displayName = displayName;
    m_sections.clear();
    std::istringstream lines(text);
    std::string raw;
    int number = 0;
    while (std::getline(lines, raw)) {
        ++number;
        if (number == 1 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0)
            raw.erase(0, 3);
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']')
                throw CInputError(Where(number) + "a section line must end with ']'");
            const std::string name = Trim(line.substr(1, line.size() - 2));
            if (name.empty())
                throw CInputError(Where(number) + "a section needs a name");
            if (const IniSection* earlier = Find(name))
                throw CInputError(Where(number) + "section [" + name + "] was already given on line " +
                                  std::to_string(earlier->line));
            m_sections.push_back({name, number, {}});
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            throw CInputError(Where(number) + "expected key=value, a [section] or a ; comment");
        if (m_sections.empty())
            throw CInputError(Where(number) + "an entry before the first [section]");
        IniEntry entry{Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)), number};
        if (entry.key.empty())
            throw CInputError(Where(number) + "an entry needs a key before '='");
        IniSection& section = m_sections.back();
        if (const IniEntry* earlier = section.Find(entry.key))
            throw CInputError(Where(number) + "'" + entry.key + "' was already given in [" + section.name +
                              "] on line " + std::to_string(earlier->line));
        section.entries.push_back(std::move(entry));
    }
}
