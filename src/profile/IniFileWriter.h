#pragma once
// Adds one key=value line to a section of an INI file by rewriting its text,
// leaving every other line as it was, including lines with the same key; the
// profile API cannot do this for files that hold a key more than once
// ("wininit.ini", section "rename"). An entry already there with the same key
// and value (letter case ignored) leaves the file untouched. One writer serves
// one entry.
#include "profile/TextFileEditor.h"

#include <string>

class CIniFileWriter : public CTextFileEditor {
public:
    explicit CIniFileWriter(const CPathName& path);
    ~CIniFileWriter() override;

    // TRUE when the file holds the entry afterwards: it was written, or it was
    // there already. FALSE when the file could not be rewritten; a file that
    // exists but cannot be read is never replaced. Throws CFileException when
    // the scratch file cannot be created.
    BOOL AddEntry(const char* section, const char* key, const char* value);

    // A line is a section header when, trimmed at both ends, it begins with
    // "["; the name is what lies between the first and the last character.
    static BOOL IsSectionHeader(const std::string& line, std::string& name);
    // key=value at the first "="; the key trimmed on its left, the value on
    // its right (the line feed included).
    static BOOL SplitEntry(const std::string& line, std::string& key, std::string& value);

protected:
    BOOL ProcessLine() override;
    void End() override;

private:
    std::string m_strSection;
    std::string m_strCurrentSection;
    std::string m_strKey;
    std::string m_strValue;
    std::string m_strNewLine;
    BOOL m_bEntryFound = FALSE;
};
