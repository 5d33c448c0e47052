#include "fw/File.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

// POSIX files for the native build: no sharing modes, no text translation.

namespace {

int AsFd(std::intptr_t h) { return static_cast<int>(h); }

} // namespace

CFile::~CFile()
{
    Abort();
}

bool CFile::IsOpen() const noexcept
{
    return m_hFile != kInvalid;
}

void CFile::ForgetClosedFile() noexcept
{
    m_hFile = kInvalid;
}

bool CFile::Open(const char* fileName, unsigned openFlags, CFileException* error)
{
    // Not the virtual Abort: a subclass may give it another meaning.
    CFile::Abort();
    int flags = O_RDONLY;
    switch (openFlags & 3) {
    case modeWrite:     flags = O_WRONLY; break;
    case modeReadWrite: flags = O_RDWR; break;
    default:            flags = O_RDONLY; break;
    }
    if (openFlags & modeCreate)
        flags |= (openFlags & modeCreateNew) ? (O_CREAT | O_EXCL) : (openFlags & modeNoTruncate) ? O_CREAT : (O_CREAT | O_TRUNC);
    if (openFlags & modeNoInherit)
        flags |= O_CLOEXEC;
    const int fd = ::open(fileName, flags, 0666);
    if (fd < 0) {
        if (error)
            *error = CFileException(CFileException::ErrnoToCause(errno), errno, fileName);
        return false;
    }
    m_hFile = fd;
    m_strFileName = fileName;
    return true;
}

unsigned CFile::Read(void* buffer, unsigned count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(AsFd(m_hFile), static_cast<char*>(buffer) + done, count - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            CFileException::ThrowErrno(errno, m_strFileName);
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<unsigned>(done);
}

void CFile::Write(const void* buffer, unsigned count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(AsFd(m_hFile), static_cast<const char*>(buffer) + done, count - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            CFileException::ThrowErrno(errno, m_strFileName);
        }
        if (put == 0)
            AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
        done += static_cast<std::size_t>(put);
    }
}

std::uint64_t CFile::Seek(std::int64_t offset, SeekPosition from)
{
    const off_t pos = ::lseek(AsFd(m_hFile), static_cast<off_t>(offset), static_cast<int>(from));
    if (pos < 0)
        CFileException::ThrowErrno(errno, m_strFileName);
    return static_cast<std::uint64_t>(pos);
}

std::uint64_t CFile::GetPosition() const
{
    const off_t pos = ::lseek(AsFd(m_hFile), 0, SEEK_CUR);
    if (pos < 0)
        CFileException::ThrowErrno(errno, m_strFileName);
    return static_cast<std::uint64_t>(pos);
}

std::uint64_t CFile::GetLength() const
{
    struct stat st;
    if (::fstat(AsFd(m_hFile), &st) != 0)
        CFileException::ThrowErrno(errno, m_strFileName);
    return static_cast<std::uint64_t>(st.st_size);
}

void CFile::Flush()
{
    if (IsOpen() && ::fsync(AsFd(m_hFile)) != 0 && errno != EINVAL)
        CFileException::ThrowErrno(errno, m_strFileName);
}

void CFile::Close()
{
    if (!IsOpen())
        return;
    const int result = ::close(AsFd(m_hFile));
    const int error = errno;
    m_hFile = kInvalid;
    if (result != 0)
        CFileException::ThrowErrno(error, m_strFileName);
}

void CFile::Abort() noexcept
{
    if (IsOpen()) {
        ::close(AsFd(m_hFile));
        m_hFile = kInvalid;
    }
}

bool CFile::GetStatus(CFileStatus& status) const
{
    return GetStatus(m_strFileName.c_str(), status);
}

bool CFile::GetStatus(const char* fileName, CFileStatus& status)
{
    struct stat st;
    if (::stat(fileName, &st) != 0)
        return false;
    char* full = ::realpath(fileName, nullptr);
    status.m_szFullName = full ? full : fileName;
    std::free(full);
    status.m_ctime = st.st_ctime;
    status.m_atime = st.st_atime;
    status.m_mtime = st.st_mtime;
    status.m_size = static_cast<std::uint64_t>(st.st_size);
    unsigned char attribute = 0;
    if (!(st.st_mode & S_IWUSR))
        attribute |= readOnly;
    if (S_ISDIR(st.st_mode))
        attribute |= directory;
    status.m_attribute = attribute;
    return true;
}

void CFile::SetStatus(const char* fileName, const CFileStatus& status)
{
    struct stat st;
    if (::stat(fileName, &st) != 0)
        CFileException::ThrowErrno(errno, fileName);
    if (status.m_mtime != 0) {
        struct timeval times[2];
        times[0].tv_sec = st.st_atime;
        times[0].tv_usec = 0;
        times[1].tv_sec = status.m_mtime;
        times[1].tv_usec = 0;
        if (::utimes(fileName, times) != 0)
            CFileException::ThrowErrno(errno, fileName);
    }
    const bool wasReadOnly = !(st.st_mode & S_IWUSR);
    const bool readOnlyWanted = (status.m_attribute & readOnly) != 0;
    if (wasReadOnly != readOnlyWanted) {
        const mode_t mode = readOnlyWanted ? (st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH))
                                           : (st.st_mode | S_IWUSR);
        if (::chmod(fileName, mode & 07777) != 0)
            CFileException::ThrowErrno(errno, fileName);
    }
}

void CFile::SetStatus(const CFileStatus& status)
{
    SetStatus(m_strFileName.c_str(), status);
}

void CFile::Remove(const char* fileName)
{
    if (::unlink(fileName) != 0)
        CFileException::ThrowErrno(errno, fileName);
}

void CFile::Rename(const char* oldName, const char* newName)
{
    if (::rename(oldName, newName) != 0)
        CFileException::ThrowErrno(errno, oldName);
}

bool CStdioFile::Open(const char* fileName, unsigned openFlags, CFileException* error)
{
    CStdioFile::Abort();
    if (!CFile::Open(fileName, openFlags, error))
        return false;
    const char* mode = "r";
    switch (openFlags & 3) {
    case modeWrite:     mode = "w"; break;
    case modeReadWrite: mode = "r+"; break;
    default:            mode = "r"; break;
    }
    std::FILE* stream = ::fdopen(AsFd(m_hFile), mode);
    if (!stream) {
        const int code = errno;
        ::close(AsFd(m_hFile));
        m_hFile = kInvalid;
        if (error)
            *error = CFileException(CFileException::ErrnoToCause(code), code, fileName);
        return false;
    }
    m_pStream = stream;
    return true;
}
