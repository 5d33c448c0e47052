#pragma once
// Values of the setup profile and the install log, bound to a file, a section
// and a key, read and written only through the Windows profile-string API. A
// value is at most 254 characters: longer ones arrive cut. "Not there" is an
// ordinary answer (FALSE), never an exception.
#include "rules/ProfileLine.h"
#include "system/PathName.h"

#include <windows.h>

#include <string>

// The profile used when a value or section names no file: the program's base
// file name with extension ".INI" and no directory, which the profile API
// looks for in the Windows directory ('INSTALL.INI').
CPathName GetDefaultProfile();

// A value bound to a place in an INI file. autoSave: the owner's destructor
// saves the value when it was modified; readNow: the constructor loads it.
class CProfileValue {
public:
    CProfileValue() = default;
    CProfileValue(std::string section, std::string key, CPathName file, BOOL autoSave, BOOL readNow);
    CProfileValue(const CProfileValue&) = delete;
    CProfileValue& operator=(const CProfileValue&) = delete;
    virtual ~CProfileValue() = default;

    virtual BOOL IsModified() const = 0;
    virtual BOOL Load() = 0;
    virtual BOOL Save() = 0;

    void SetSection(const std::string& section) { m_strSection = section; }
    void SetKey(const std::string& key) { m_strKey = key; }
    void SetFile(const CPathName& file) { m_file = file; }
    const std::string& GetSection() const noexcept { return m_strSection; }
    const std::string& GetKey() const noexcept { return m_strKey; }
    const CPathName& GetFile() const noexcept { return m_file; }

protected:
    // An empty file becomes the default profile.
    void UseDefaultFileIfEmpty();

    BOOL m_bAutoSave = FALSE;
    BOOL m_bReadNow = FALSE;
    std::string m_strSection;
    std::string m_strKey;
    CPathName m_file;
};

// One text value. The current text is also the default handed to the profile
// API by Load, so an absent key keeps it.
class CProfileString : public CProfileValue {
public:
    CProfileString() = default;
    // Loads at once when readNow is set and both section and key are given.
    CProfileString(const std::string& defaultText, const std::string& section, const std::string& key,
                   const CPathName& file, BOOL autoSave, BOOL readNow);
    // Saves when autoSave is set and the text was changed; failures are quiet.
    ~CProfileString() override;

    // The text differs from the one last loaded (exact, case-sensitive).
    BOOL IsModified() const override;
    // Reads the value (at most 254 characters); TRUE when the profile API
    // returned a non-empty text. A key present with an empty value gives an
    // empty text, not the default.
    BOOL Load() override;
    // Writes the value; the API's answer. Refused (FALSE, file untouched) for
    // an empty section or key, a key holding '=', or a line break anywhere:
    // they would add or damage lines of the file.
    BOOL Save() override;

    const std::string& GetText() const noexcept { return m_strText; }
    // Leaves the loaded text alone, so a different text counts as modified.
    void SetText(const std::string& text) { m_strText = text; }

    // Room of the value buffer: 256 bytes, of which the API is told 255, so a
    // value holds at most kMaxProfileValue (254) characters.
    static constexpr DWORD kValueBufferSize = kMaxProfileValue + 2;
    static constexpr DWORD kValueSizePassed = kMaxProfileValue + 1;

private:
    std::string m_strText;
    std::string m_strLoadedText;
};
