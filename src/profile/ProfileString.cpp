#include "profile/ProfileString.h"

#include <utility>

CPathName GetDefaultProfile()
{
    CPathName program;
    if (!program.SetModuleFileName())
        return CPathName();
    return CPathName(program.GetName() + ".INI");
}

CProfileValue::CProfileValue(std::string section, std::string key, CPathName file, BOOL autoSave, BOOL readNow)
    : m_bAutoSave(autoSave), m_bReadNow(readNow), m_strSection(std::move(section)), m_strKey(std::move(key)),
      m_file(std::move(file))
{
}

void CProfileValue::UseDefaultFileIfEmpty()
{
    if (m_file.IsEmpty())
        m_file = GetDefaultProfile();
}

CProfileString::CProfileString(const std::string& defaultText, const std::string& section,
                               const std::string& key, const CPathName& file, BOOL autoSave, BOOL readNow)
    : CProfileValue(section, key, file, autoSave, readNow), m_strText(defaultText)
{
    if (m_bReadNow && !m_strSection.empty() && !m_strKey.empty())
        Load();
}

CProfileString::~CProfileString()
{
    try {
        if (m_bAutoSave && IsModified())
            Save();
    } catch (...) {
        // Out of memory while choosing the default file: the value is lost,
        // as with any failed save, but the destructor must not throw.
    }
}

BOOL CProfileString::IsModified() const
{
    return m_strText != m_strLoadedText;
}

BOOL CProfileString::Load()
{
    UseDefaultFileIfEmpty();
    if (m_file.IsEmpty())
        return FALSE;
    char buffer[kValueBufferSize] = {};
    const DWORD count = ::GetPrivateProfileStringA(m_strSection.c_str(), m_strKey.c_str(), m_strText.c_str(),
                                                   buffer, kValueSizePassed, m_file);
    m_strText = buffer;
    m_strLoadedText = m_strText;
    return count > 0;
}

BOOL CProfileString::Save()
{
    UseDefaultFileIfEmpty();
    if (m_file.IsEmpty() || m_strSection.empty() || m_strKey.empty() || m_strKey.find('=') != std::string::npos ||
        HasLineBreak(m_strSection) || HasLineBreak(m_strKey) || HasLineBreak(m_strText))
        return FALSE;
    return ::WritePrivateProfileStringA(m_strSection.c_str(), m_strKey.c_str(), m_strText.c_str(), m_file);
}
