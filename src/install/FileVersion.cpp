#include "install/FileVersion.h"

#include <cstring>

BOOL CFileVersion::Load(const char* path)
{
    m_block.clear();
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return FALSE;
    std::vector<unsigned char> block(static_cast<std::size_t>(size) + 1, 0);
    if (!::GetFileVersionInfoA(path, handle, size, block.data()))
        return FALSE;
    m_block.swap(block);
    return TRUE;
}

BOOL CFileVersion::GetFixedVersion(WORD& major, WORD& minor, WORD* third, WORD* fourth) const
{
    if (m_block.empty())
        return FALSE;
    void* value = nullptr;
    UINT length = 0;
    // VerQueryValueA does not write into the block for the root query.
    if (!::VerQueryValueA(const_cast<unsigned char*>(m_block.data()), "\\", &value, &length) || !value)
        return FALSE;
    // A block cut short or damaged must not be read past its end or taken at
    // face value.
    if (length < sizeof(VS_FIXEDFILEINFO))
        return FALSE;
    const auto* begin = static_cast<const unsigned char*>(value);
    if (begin < m_block.data() || begin + sizeof(VS_FIXEDFILEINFO) > m_block.data() + m_block.size())
        return FALSE;
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, begin, sizeof info);
    if (info.dwSignature != VS_FFI_SIGNATURE)
        return FALSE;
    major = HIWORD(info.dwFileVersionMS);
    minor = LOWORD(info.dwFileVersionMS);
    if (third)
        *third = HIWORD(info.dwFileVersionLS);
    if (fourth)
        *fourth = LOWORD(info.dwFileVersionLS);
    return TRUE;
}

BOOL CFileVersion::IsNewerThan(const CFileVersion& other) const
{
    WORD mine[4] = {};
    WORD theirs[4] = {};
    if (!GetFixedVersion(mine[0], mine[1], &mine[2], &mine[3]) ||
        !other.GetFixedVersion(theirs[0], theirs[1], &theirs[2], &theirs[3]))
        return FALSE;
    for (int i = 0; i < 4; ++i) {
        if (mine[i] != theirs[i])
            return mine[i] > theirs[i];
    }
    return FALSE;
}
