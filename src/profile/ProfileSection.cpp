#include "profile/ProfileSection.h"

#include <cstring>
#include <new>

namespace {

// Beyond this the list is treated as one that cannot be allocated, so the
// doubling always ends.
constexpr std::size_t kMaxKeyBufferSize = std::size_t(1) << 30;

} // namespace

CProfileSection::CProfileSection(const std::string& section)
    : m_file(GetDefaultProfile()), m_strSection(section)
{
}

void CProfileSection::FreeKeys() noexcept
{
    m_pKeyBuffer.reset();
    m_nKeyBufferSize = 0;
    m_pCursor = nullptr;
}

BOOL CProfileSection::FirstKey(CProfileString& value)
{
    FreeKeys();
    if (m_file.IsEmpty())
        m_file = GetDefaultProfile();
    if (m_file.IsEmpty())
        return FALSE;

    for (std::size_t size = kFirstKeyBufferSize; size <= kMaxKeyBufferSize; size *= 2) {
        // Two spare zero bytes past what the API is told, so the list always
        // ends in an empty name whatever the API left in the buffer.
        std::unique_ptr<char[]> buffer(new (std::nothrow) char[size + 2]);
        if (!buffer)
            return FALSE;
        std::memset(buffer.get(), 0, size + 2);
        const DWORD count = ::GetPrivateProfileStringA(m_strSection.c_str(), nullptr, "", buffer.get(),
                                                       static_cast<DWORD>(size), m_file);
        // size - 2 is the API's answer for a list that did not fit.
        if (count < size - 2) {
            m_pKeyBuffer = std::move(buffer);
            m_nKeyBufferSize = size;
            m_pCursor = m_pKeyBuffer.get();
            return BindAndAdvance(value);
        }
    }
    return FALSE;
}

BOOL CProfileSection::NextKey(CProfileString& value)
{
    if (m_file.IsEmpty())
        m_file = GetDefaultProfile();
    if (!m_pCursor)
        return FALSE;
    return BindAndAdvance(value);
}

BOOL CProfileSection::BindAndAdvance(CProfileString& value)
{
    if (*m_pCursor == '\0') {
        FreeKeys();
        return FALSE;
    }
    const std::size_t length = std::strlen(m_pCursor);
    value.SetSection(m_strSection);
    value.SetFile(m_file);
    value.SetKey(std::string(m_pCursor, length));
    m_pCursor += length + 1;
    return TRUE;
}
