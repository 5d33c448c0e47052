#include "fw/File.h"

#include <cerrno>
#include <vector>

// The platform-independent half of CStdioFile: everything that goes through
// the C stream. The stream owns the handle once it is open.

CStdioFile::~CStdioFile()
{
    Abort();
}

unsigned CStdioFile::Read(void* buffer, unsigned count)
{
    if (count == 0)
        return 0;
    const std::size_t got = std::fread(buffer, 1, count, m_pStream);
    if (got < count && std::ferror(m_pStream)) {
        const int error = errno;
        std::clearerr(m_pStream);
        CFileException::ThrowErrno(error, m_strFileName);
    }
    return static_cast<unsigned>(got);
}

void CStdioFile::Write(const void* buffer, unsigned count)
{
    if (std::fwrite(buffer, 1, count, m_pStream) != count) {
        const int error = errno;
        std::clearerr(m_pStream);
        CFileException::ThrowErrno(error, m_strFileName);
    }
}

bool CStdioFile::ReadString(std::string& line, unsigned maxChars)
{
    std::vector<char> buffer(maxChars + 1);
    line.clear();
    if (!std::fgets(buffer.data(), static_cast<int>(buffer.size()), m_pStream)) {
        if (std::ferror(m_pStream)) {
            const int error = errno;
            std::clearerr(m_pStream);
            CFileException::ThrowErrno(error, m_strFileName);
        }
        return false;
    }
    line = buffer.data();
    return true;
}

void CStdioFile::WriteString(const std::string& text)
{
    if (std::fputs(text.c_str(), m_pStream) == EOF) {
        const int error = errno;
        std::clearerr(m_pStream);
        CFileException::ThrowErrno(error, m_strFileName);
    }
}

std::uint64_t CStdioFile::GetPosition() const
{
    const auto pos = std::ftell(m_pStream);
    if (pos < 0)
        CFileException::ThrowErrno(errno, m_strFileName);
    return static_cast<std::uint64_t>(pos);
}

std::uint64_t CStdioFile::Seek(std::int64_t offset, SeekPosition from)
{
    if (std::fseek(m_pStream, static_cast<long>(offset), static_cast<int>(from)) != 0)
        CFileException::ThrowErrno(errno, m_strFileName);
    return GetPosition();
}

void CStdioFile::Flush()
{
    if (m_pStream && std::fflush(m_pStream) != 0)
        CFileException::ThrowErrno(errno, m_strFileName);
}

void CStdioFile::SetStatus(const CFileStatus& status)
{
    CStdioFile::Flush();
    CFile::SetStatus(status);
}

void CStdioFile::Close()
{
    if (!m_pStream) {
        CFile::Close();
        return;
    }
    const int result = std::fclose(m_pStream);
    const int error = errno;
    m_pStream = nullptr;
    ForgetClosedFile();
    if (result != 0)
        CFileException::ThrowErrno(error, m_strFileName);
}

void CStdioFile::Abort() noexcept
{
    if (m_pStream) {
        std::fclose(m_pStream);
        m_pStream = nullptr;
        ForgetClosedFile();
    }
    CFile::Abort();
}
