#include "fw/File.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// Seconds since 1970 and FILETIME's 100-nanosecond ticks since 1601.
constexpr std::int64_t kEpochDifference = 11644473600LL;

std::time_t ToTime(const FILETIME& ft)
{
    const std::int64_t ticks = (static_cast<std::int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    if (ticks == 0)
        return 0;
    return static_cast<std::time_t>(ticks / 10000000 - kEpochDifference);
}

FILETIME ToFileTime(std::time_t t)
{
    const std::int64_t ticks = (static_cast<std::int64_t>(t) + kEpochDifference) * 10000000;
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

[[noreturn]] void ThrowLastError(const std::string& fileName)
{
    CFileException::ThrowOsError(static_cast<long>(::GetLastError()), fileName);
}

} // namespace

CFile::~CFile()
{
    Abort();
}

bool CFile::IsOpen() const noexcept
{
    return m_hFile.IsValid();
}

void CFile::ForgetClosedFile() noexcept
{
    m_hFile.Release();
}

bool CFile::Open(const char* fileName, unsigned openFlags, CFileException* error)
{
    return CFile::OpenExact(fileName, nullptr, openFlags, error);
}

bool CFile::OpenExact(const char* fileName, const wchar_t* exactPath, unsigned openFlags, CFileException* error)
{
    // Not the virtual Abort: a subclass may give it another meaning.
    CFile::Abort();
    DWORD access = 0;
    switch (openFlags & 3) {
    case modeRead:      access = GENERIC_READ; break;
    case modeWrite:     access = GENERIC_WRITE; break;
    case modeReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    default:            access = GENERIC_READ; break;
    }
    if (openFlags & modeRename)
        access |= DELETE;
    DWORD share = 0;
    switch (openFlags & 0x70) {
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead:  share = FILE_SHARE_WRITE; break;
    case shareDenyNone:  share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default:             share = 0; break;
    }
    DWORD creation = OPEN_EXISTING;
    if (openFlags & modeCreate)
        creation = (openFlags & modeCreateNew) ? CREATE_NEW : (openFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, (openFlags & modeNoInherit) ? FALSE : TRUE};
    CFileHandle file(exactPath ? ::CreateFileW(exactPath, access, share, &sa, creation, FILE_ATTRIBUTE_NORMAL, nullptr)
                               : ::CreateFileA(fileName, access, share, &sa, creation, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        if (error) {
            const DWORD code = ::GetLastError();
            *error = CFileException(CFileException::OsErrorToCause(static_cast<long>(code)),
                                    static_cast<long>(code), fileName);
        }
        return false;
    }
    m_hFile = std::move(file);
    m_strFileName = fileName;
    return true;
}

unsigned CFile::Read(void* buffer, unsigned count)
{
    if (count == 0)
        return 0;
    DWORD got = 0;
    if (!::ReadFile(m_hFile.Get(), buffer, count, &got, nullptr))
        ThrowLastError(m_strFileName);
    return got;
}

void CFile::Write(const void* buffer, unsigned count)
{
    if (count == 0)
        return;
    DWORD written = 0;
    if (!::WriteFile(m_hFile.Get(), buffer, count, &written, nullptr))
        ThrowLastError(m_strFileName);
    if (written < count)
        AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
}

std::uint64_t CFile::Seek(std::int64_t offset, SeekPosition from)
{
    LARGE_INTEGER distance, position;
    distance.QuadPart = offset;
    if (!::SetFilePointerEx(m_hFile.Get(), distance, &position, static_cast<DWORD>(from)))
        ThrowLastError(m_strFileName);
    return static_cast<std::uint64_t>(position.QuadPart);
}

std::uint64_t CFile::GetPosition() const
{
    LARGE_INTEGER distance, position;
    distance.QuadPart = 0;
    if (!::SetFilePointerEx(m_hFile.Get(), distance, &position, FILE_CURRENT))
        ThrowLastError(m_strFileName);
    return static_cast<std::uint64_t>(position.QuadPart);
}

std::uint64_t CFile::GetLength() const
{
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(m_hFile.Get(), &size))
        ThrowLastError(m_strFileName);
    return static_cast<std::uint64_t>(size.QuadPart);
}

void CFile::Flush()
{
    if (IsOpen() && !::FlushFileBuffers(m_hFile.Get()))
        ThrowLastError(m_strFileName);
}

void CFile::Close()
{
    if (IsOpen() && !m_hFile.Reset())
        ThrowLastError(m_strFileName);
}

void CFile::Abort() noexcept
{
    m_hFile.Reset();
}

bool CFile::GetStatus(CFileStatus& status) const
{
    return GetStatus(m_strFileName.c_str(), status);
}

bool CFile::GetStatus(const char* fileName, CFileStatus& status)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(fileName, GetFileExInfoStandard, &data))
        return false;
    char full[MAX_PATH];
    const DWORD n = ::GetFullPathNameA(fileName, MAX_PATH, full, nullptr);
    status.m_szFullName = (n > 0 && n < MAX_PATH) ? full : fileName;
    status.m_ctime = ToTime(data.ftCreationTime);
    status.m_atime = ToTime(data.ftLastAccessTime);
    status.m_mtime = ToTime(data.ftLastWriteTime);
    status.m_size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.m_attribute = static_cast<unsigned char>(data.dwFileAttributes);
    return true;
}

void CFile::SetStatus(const char* fileName, const CFileStatus& status)
{
    const DWORD current = ::GetFileAttributesA(fileName);
    if (current == INVALID_FILE_ATTRIBUTES)
        ThrowLastError(fileName);
    DWORD attributes = current;
    if (status.m_mtime != 0) {
        // A read-only file cannot be opened for writing its times.
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            attributes &= ~FILE_ATTRIBUTE_READONLY;
            if (!::SetFileAttributesA(fileName, attributes))
                ThrowLastError(fileName);
        }
        const CFileHandle file(::CreateFileA(fileName, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!file)
            ThrowLastError(fileName);
        const FILETIME written = ToFileTime(status.m_mtime);
        if (!::SetFileTime(file.Get(), nullptr, nullptr, &written))
            ThrowLastError(fileName);
    }
    const DWORD wanted = (current & ~0xFFu) | status.m_attribute;
    if (wanted != attributes) {
        const DWORD value = (wanted & 0xFF) ? wanted : (wanted | FILE_ATTRIBUTE_NORMAL);
        if (!::SetFileAttributesA(fileName, value))
            ThrowLastError(fileName);
    }
}

void CFile::SetStatus(const CFileStatus& status)
{
    FILE_BASIC_INFO current{};
    if (!::GetFileInformationByHandleEx(m_hFile.Get(), FileBasicInfo, &current, sizeof current))
        ThrowLastError(m_strFileName);
    // Zero leaves a time or the attributes as they are.
    FILE_BASIC_INFO change{};
    bool changed = false;
    if (status.m_mtime != 0) {
        const FILETIME written = ToFileTime(status.m_mtime);
        change.LastWriteTime.LowPart = written.dwLowDateTime;
        change.LastWriteTime.HighPart = static_cast<LONG>(written.dwHighDateTime);
        changed = true;
    }
    const DWORD wanted = (current.FileAttributes & ~0xFFu) | status.m_attribute;
    if (wanted != current.FileAttributes) {
        change.FileAttributes = (wanted & 0xFF) ? wanted : (wanted | FILE_ATTRIBUTE_NORMAL);
        changed = true;
    }
    if (changed && !::SetFileInformationByHandle(m_hFile.Get(), FileBasicInfo, &change, sizeof change))
        ThrowLastError(m_strFileName);
}

void CFile::Remove(const char* fileName)
{
    if (!::DeleteFileA(fileName))
        ThrowLastError(fileName);
}

void CFile::Rename(const char* oldName, const char* newName)
{
    if (!::MoveFileA(oldName, newName))
        ThrowLastError(oldName);
}

BOOL CFile::RenameOpen(const char* newName, const wchar_t* exactNewName)
{
    const int length = exactNewName ? static_cast<int>(::lstrlenW(exactNewName)) + 1
                                    : ::MultiByteToWideChar(CP_ACP, 0, newName, -1, nullptr, 0);
    if (length <= 0)
        return FALSE;
    // FILE_RENAME_INFO ends in the name, its terminating NUL included.
    std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) + static_cast<std::size_t>(length) * sizeof(WCHAR));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(length - 1) * sizeof(WCHAR);
    if (exactNewName)
        std::memcpy(info->FileName, exactNewName, static_cast<std::size_t>(length) * sizeof(WCHAR));
    else
        ::MultiByteToWideChar(CP_ACP, 0, newName, -1, info->FileName, length);
    if (!::SetFileInformationByHandle(m_hFile.Get(), FileRenameInfo, info, static_cast<DWORD>(buffer.size())))
        return FALSE;
    m_strFileName = newName;
    return TRUE;
}

bool CStdioFile::Open(const char* fileName, unsigned openFlags, CFileException* error)
{
    return CStdioFile::OpenExact(fileName, nullptr, openFlags, error);
}

bool CStdioFile::OpenExact(const char* fileName, const wchar_t* exactPath, unsigned openFlags, CFileException* error)
{
    CStdioFile::Abort();
    if (!CFile::OpenExact(fileName, exactPath, openFlags, error))
        return false;
    int flags = (openFlags & typeBinary) ? _O_BINARY : _O_TEXT;
    const char* mode = "r";
    switch (openFlags & 3) {
    case modeWrite:     flags |= _O_WRONLY; mode = "w"; break;
    case modeReadWrite: flags |= _O_RDWR; mode = "r+"; break;
    default:            flags |= _O_RDONLY; mode = "r"; break;
    }
    std::string streamMode = mode;
    streamMode += (openFlags & typeBinary) ? 'b' : 't';
    const int fd = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(m_hFile.Get()), flags);
    std::FILE* stream = fd == -1 ? nullptr : ::_fdopen(fd, streamMode.c_str());
    if (!stream) {
        if (fd != -1) {
            ::_close(fd);  // closes the handle too
            ForgetClosedFile();
        } else {
            CFile::Abort();
        }
        if (error)
            *error = CFileException(CFileException::tooManyOpenFiles, -1, fileName);
        return false;
    }
    m_pStream = stream;
    return true;
}
