#include "system/Registry.h"

#include <cstring>
#include <vector>

CRegistryKey::~CRegistryKey()
{
    Close();
}

BOOL CRegistryKey::Open(HKEY parent, const char* subKey, REGSAM access)
{
    Close();
    lastResult = ::RegOpenKeyExA(parent, subKey, 0, access, &m_hKey);
    if (lastResult != ERROR_SUCCESS)
        m_hKey = nullptr;
    return lastResult == ERROR_SUCCESS;
}

BOOL CRegistryKey::Create(HKEY parent, const char* subKey, const char* className, REGSAM access)
{
    Close();
    DWORD disposition = 0;
    lastResult = ::RegCreateKeyExA(parent, subKey, 0, const_cast<char*>(className), REG_OPTION_NON_VOLATILE,
                                   access, nullptr, &m_hKey, &disposition);
    if (lastResult != ERROR_SUCCESS)
        m_hKey = nullptr;
    return lastResult == ERROR_SUCCESS;
}

BOOL CRegistryKey::DeleteKey(HKEY parent, const char* subKey)
{
    lastResult = ::RegDeleteKeyA(parent, subKey);
    return lastResult == ERROR_SUCCESS;
}

BOOL CRegistryKey::Close()
{
    if (!m_hKey)
        return TRUE;
    lastResult = ::RegCloseKey(m_hKey);
    m_hKey = nullptr;
    return lastResult == ERROR_SUCCESS;
}

BOOL CRegistryKey::DeleteValue(const char* valueName)
{
    lastResult = ::RegDeleteValueA(m_hKey, valueName);
    return lastResult == ERROR_SUCCESS;
}

BOOL CRegistryKey::ReadString(const char* valueName, std::string& out)
{
    DWORD type = REG_NONE;
    DWORD size = 0;
    lastResult = ::RegQueryValueExA(m_hKey, valueName, nullptr, &type, nullptr, &size);
    if (lastResult != ERROR_SUCCESS)
        return FALSE;
    if (type != REG_SZ) {
        lastResult = ERROR_INVALID_DATATYPE;
        return FALSE;
    }
    // One byte more than reported, zeroed: a value stored without its
    // terminator still ends inside the buffer.
    std::vector<char> buffer(static_cast<std::size_t>(size) + 1, '\0');
    DWORD got = size;
    lastResult = ::RegQueryValueExA(m_hKey, valueName, nullptr, &type,
                                    reinterpret_cast<BYTE*>(buffer.data()), &got);
    if (lastResult != ERROR_SUCCESS)
        return FALSE;
    if (type != REG_SZ) {  // replaced by another type between the two queries
        lastResult = ERROR_INVALID_DATATYPE;
        return FALSE;
    }
    out.assign(buffer.data(), ::strnlen(buffer.data(), got));
    return TRUE;
}

BOOL CRegistryKey::WriteString(const char* valueName, const char* text)
{
    if (!text)
        text = "";
    lastResult = ::RegSetValueExA(m_hKey, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                  static_cast<DWORD>(std::strlen(text) + 1));
    return lastResult == ERROR_SUCCESS;
}

BOOL CRegistryKey::ReadNumber(const char* valueName, DWORD& out)
{
    DWORD type = REG_NONE;
    DWORD number = 0;  // a REG_DWORD shorter than 4 bytes reads zero-extended
    DWORD size = sizeof number;
    lastResult = ::RegQueryValueExA(m_hKey, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&number), &size);
    if (lastResult != ERROR_SUCCESS)
        return FALSE;
    if (type != REG_DWORD) {
        lastResult = ERROR_INVALID_DATATYPE;
        return FALSE;
    }
    out = number;
    return TRUE;
}

BOOL CRegistryKey::WriteNumber(const char* valueName, DWORD number)
{
    lastResult = ::RegSetValueExA(m_hKey, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                  sizeof number);
    return lastResult == ERROR_SUCCESS;
}

CRegistryString::CRegistryString(HKEY root, const char* subKey, const char* valueName, const char* defaultText,
                                 BOOL readNow, BOOL autoSave)
    : m_hRoot(root), m_strSubKey(subKey ? subKey : ""), m_strValueName(valueName ? valueName : ""),
      autoSave(autoSave)
{
    if (readNow)
        Load(defaultText);
}

CRegistryString::~CRegistryString()
{
    if (m_bChanged && autoSave)
        Save();
}

BOOL CRegistryString::Load(const char* defaultText)
{
    m_strText = defaultText ? defaultText : "";
    if (!Open(m_hRoot, m_strSubKey.c_str(), KEY_ALL_ACCESS))
        return FALSE;
    return ReadString(m_strValueName.c_str(), m_strText);
}

BOOL CRegistryString::Save()
{
    if (!IsOpen() && !Create(m_hRoot, m_strSubKey.c_str(), nullptr, KEY_ALL_ACCESS))
        return FALSE;
    if (!WriteString(m_strValueName.c_str(), m_strText.c_str()))
        return FALSE;
    m_bChanged = FALSE;
    return TRUE;
}

void CRegistryString::SetText(const char* text)
{
    m_strText = text ? text : "";
    m_bChanged = TRUE;
}

CRegistryNumber::CRegistryNumber(HKEY root, const char* subKey, const char* valueName, DWORD defaultNumber,
                                 BOOL readNow, BOOL autoSave)
    : m_hRoot(root), m_strSubKey(subKey ? subKey : ""), m_strValueName(valueName ? valueName : ""),
      autoSave(autoSave)
{
    if (readNow)
        Load(defaultNumber);
}

CRegistryNumber::~CRegistryNumber()
{
    if (m_bChanged && autoSave)
        Save();
}

BOOL CRegistryNumber::Load(DWORD defaultNumber)
{
    m_dwNumber = defaultNumber;
    if (!Open(m_hRoot, m_strSubKey.c_str(), KEY_ALL_ACCESS))
        return FALSE;
    return ReadNumber(m_strValueName.c_str(), m_dwNumber);
}

BOOL CRegistryNumber::Save()
{
    if (!IsOpen() && !Create(m_hRoot, m_strSubKey.c_str(), nullptr, KEY_ALL_ACCESS))
        return FALSE;
    if (!WriteNumber(m_strValueName.c_str(), m_dwNumber))
        return FALSE;
    m_bChanged = FALSE;
    return TRUE;
}
