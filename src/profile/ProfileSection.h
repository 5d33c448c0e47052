#pragma once
// Enumerates the key names of one INI section, in the order of the file's
// lines, binding each in turn to a CProfileString (which the caller loads).
// The key list is fetched whole and released as soon as its end is reached.
// An absent file or section, or a list that cannot be allocated, reads as an
// empty section.
#include "profile/ProfileString.h"

#include <memory>
#include <string>

class CProfileSection {
public:
    // The file starts as the default profile.
    explicit CProfileSection(const std::string& section);
    CProfileSection(const CProfileSection&) = delete;
    CProfileSection& operator=(const CProfileSection&) = delete;
    ~CProfileSection() = default;

    void SetFile(const CPathName& file) { m_file = file; }
    const CPathName& GetFile() const noexcept { return m_file; }

    // Fetches the key list anew and binds its first key; FALSE for an empty
    // section.
    BOOL FirstKey(CProfileString& value);
    // Binds the next key; FALSE at the end of the list (which releases it).
    BOOL NextKey(CProfileString& value);
    void FreeKeys() noexcept;

    // Bytes of the key list now held, 0 without one. The list starts at 256
    // bytes and doubles while the profile API reports that it did not fit.
    std::size_t GetKeyBufferSize() const noexcept { return m_nKeyBufferSize; }

    static constexpr std::size_t kFirstKeyBufferSize = 256;

private:
    // Sets section, file and key of value from the name at the cursor and
    // moves past it; FALSE (and the list released) at the empty name.
    BOOL BindAndAdvance(CProfileString& value);

    CPathName m_file;
    std::string m_strSection;
    std::unique_ptr<char[]> m_pKeyBuffer;
    std::size_t m_nKeyBufferSize = 0;
    const char* m_pCursor = nullptr;
};
