#pragma once
// The version resource of one file, read through version.dll. The fixed file
// version (dwFileVersionMS, dwFileVersionLS of VS_FIXEDFILEINFO) is four
// unsigned 16-bit parts: major, minor, third, fourth. A file without a
// readable version resource answers FALSE; nothing throws.
#include <windows.h>

#include <vector>

class CFileVersion {
public:
    CFileVersion() = default;
    CFileVersion(const CFileVersion&) = delete;
    CFileVersion& operator=(const CFileVersion&) = delete;

    // TRUE when the file has a version resource and it was read. A failed load
    // leaves no block.
    BOOL Load(const char* path);
    BOOL IsLoaded() const noexcept { return !m_block.empty(); }

    // TRUE with the parts stored when the block holds a complete fixed file
    // version; otherwise nothing is stored. third and fourth may be null.
    BOOL GetFixedVersion(WORD& major, WORD& minor, WORD* third = nullptr, WORD* fourth = nullptr) const;

    // TRUE when this version is strictly greater than other's: the first part
    // that differs decides. FALSE when either side has no fixed version.
    BOOL IsNewerThan(const CFileVersion& other) const;

private:
    std::vector<unsigned char> m_block;
};
