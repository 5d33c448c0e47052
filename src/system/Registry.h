#pragma once
// The registry as the setup program uses it: one open key per object, string
// (REG_SZ) and double-word (REG_DWORD) values only. No operation throws or
// shows a message; each answers TRUE or FALSE and leaves the Win32 result of
// its last registry call in lastResult (ERROR_INVALID_DATATYPE, 1804, when a
// value exists but has another type than the one asked for).
#include <windows.h>

#include <string>

class CRegistryKey {
public:
    CRegistryKey() noexcept = default;
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;
    virtual ~CRegistryKey();

    // Open and Create replace a key the object already holds (it is closed first).
    BOOL Open(HKEY parent, const char* subKey, REGSAM access);
    BOOL Create(HKEY parent, const char* subKey, const char* className, REGSAM access);
    // Deletes parent\subKey (which must have no subkeys); the object's own key is not involved.
    BOOL DeleteKey(HKEY parent, const char* subKey);
    // TRUE when no key was open; the handle is released whatever the call answers.
    BOOL Close();

    BOOL DeleteValue(const char* valueName);
    // TRUE when a REG_SZ value was read into out; otherwise out is unchanged.
    BOOL ReadString(const char* valueName, std::string& out);
    // Stores the text with its terminator.
    BOOL WriteString(const char* valueName, const char* text);
    // TRUE when a REG_DWORD value was read into out; otherwise out is unchanged.
    BOOL ReadNumber(const char* valueName, DWORD& out);
    BOOL WriteNumber(const char* valueName, DWORD number);

    HKEY GetKey() const noexcept { return m_hKey; }
    BOOL IsOpen() const noexcept { return m_hKey != nullptr; }

    // Result of the last registry call made through the object; 0 after construction.
    LONG lastResult = ERROR_SUCCESS;

protected:
    HKEY m_hKey = nullptr;
};

// One REG_SZ value bound to root\subKey\valueName. The key stays open between
// Load and Save so that both use the same handle; with autoSave a changed text
// is written when the object is destroyed.
class CRegistryString : public CRegistryKey {
public:
    CRegistryString(HKEY root, const char* subKey, const char* valueName,
                    const char* defaultText = nullptr, BOOL readNow = TRUE, BOOL autoSave = TRUE);
    ~CRegistryString() override;

    // The text becomes defaultText (empty for null), then the stored value when
    // there is one. TRUE when the value was read.
    BOOL Load(const char* defaultText = nullptr);
    // Creates the key when none is open and writes the text. A failed save
    // leaves the text marked as changed.
    BOOL Save();

    const char* GetText() const noexcept { return m_strText.c_str(); }
    void SetText(const char* text);
    BOOL IsChanged() const noexcept { return m_bChanged; }

protected:
    HKEY m_hRoot;
    std::string m_strSubKey;
    std::string m_strValueName;
    std::string m_strText;
    BOOL m_bChanged = FALSE;
    BOOL autoSave;
};

// One REG_DWORD value bound like CRegistryString. There is no setter: derived
// classes change m_dwNumber (and m_bChanged when they want autoSave) directly.
class CRegistryNumber : public CRegistryKey {
public:
    CRegistryNumber(HKEY root, const char* subKey, const char* valueName,
                    DWORD defaultNumber = 0, BOOL readNow = TRUE, BOOL autoSave = TRUE);
    ~CRegistryNumber() override;

    BOOL Load(DWORD defaultNumber = 0);
    BOOL Save();

    DWORD GetNumber() const noexcept { return m_dwNumber; }
    BOOL IsChanged() const noexcept { return m_bChanged; }

protected:
    HKEY m_hRoot;
    std::string m_strSubKey;
    std::string m_strValueName;
    DWORD m_dwNumber = 0;
    BOOL m_bChanged = FALSE;
    BOOL autoSave;
};
