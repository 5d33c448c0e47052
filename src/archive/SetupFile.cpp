#include "archive/SetupFile.h"

#include <cstdio>

CSetupFile::~CSetupFile()
{
    // A file left to its destructor still gets what was written to it.
    if (!m_pending.empty() && IsOpen()) {
        try {
            WritePending();
        } catch (const CException&) {
        }
    }
}

void CSetupFile::OpenOrThrow(const std::string& path, unsigned flags, const wchar_t* exactPath)
{
    m_pending.clear();
    CFileException error;
#if defined(_WIN32)
    const bool opened = exactPath ? OpenExact(path.c_str(), exactPath, flags, &error) : Open(path.c_str(), flags, &error);
#else
    (void)exactPath;
    const bool opened = Open(path.c_str(), flags, &error);
#endif
    if (!opened)
        throw error;
    m_path = path;
}

void CSetupFile::OpenRead(const std::string& path, bool binary, unsigned readBuffer)
{
    OpenOrThrow(path, modeRead | shareDenyNone | (binary ? typeBinary : typeText));
    // The stream's own buffer is a few KB, one system call per 4 KB read;
    // a larger one is a fraction of the cost. A failure keeps the default.
    std::setvbuf(m_pStream, nullptr, _IOFBF, readBuffer);
}

void CSetupFile::OpenWrite(const std::string& path, bool binary)
{
    OpenOrThrow(path, modeCreate | modeReadWrite | (binary ? typeBinary : typeText));
}

void CSetupFile::OpenWriteNew(const std::string& path, bool binary, const wchar_t* exactPath)
{
    OpenOrThrow(path, modeCreate | modeCreateNew | modeReadWrite | shareDenyWrite | modeRename |
                          (binary ? typeBinary : typeText),
                exactPath);
}

void CSetupFile::SetWriteBuffer(unsigned size) noexcept
{
    // Set before writing; the buffer itself is taken at the first write.
    m_nWriteBufferSize = size;
}

void CSetupFile::Write(const void* buffer, unsigned count)
{
    // Nothing gathered and a whole buffer's worth: no need to copy it first.
    if (m_nWriteBufferSize == 0 || (m_pending.empty() && count >= m_nWriteBufferSize)) {
        WriteThrough(buffer, count);
        return;
    }
    if (m_pending.size() >= m_nWriteBufferSize)
        WritePending();
    if (m_pending.capacity() < m_nWriteBufferSize)
        m_pending.reserve(m_nWriteBufferSize);
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (count > 0) {
        const unsigned room = m_nWriteBufferSize - static_cast<unsigned>(m_pending.size());
        const unsigned n = count < room ? count : room;
        m_pending.insert(m_pending.end(), bytes, bytes + n);
        bytes += n;
        count -= n;
        if (m_pending.size() == m_nWriteBufferSize)
            WritePending();
    }
}

void CSetupFile::WritePending()
{
    if (m_pending.empty())
        return;
    WriteThrough(m_pending.data(), static_cast<unsigned>(m_pending.size()));
    m_pending.clear();
}

void CSetupFile::WriteThrough(const void* buffer, unsigned count)
{
    for (;;) {
        try {
            CFile::Write(buffer, count);
            return;
        } catch (const CFileException& error) {
            // Only a full disk may be retried; any other failure would fail
            // again the same way, so it ends the write here.
            if (error.m_cause != CFileException::diskFull)
                throw;
            if (!OnDiskFull(error))
                AfxThrowFileException(CFileException::diskFull, -1);
        }
    }
}

void CSetupFile::Flush()
{
    WritePending();
    CStdioFile::Flush();
}

void CSetupFile::SetStatus(const CFileStatus& status)
{
    WritePending();
    CStdioFile::SetStatus(status);
}

void CSetupFile::Close()
{
    try {
        WritePending();
    } catch (const CException&) {
        CSetupFile::Abort();
        throw;
    }
    CStdioFile::Close();
}

void CSetupFile::Abort() noexcept
{
    m_pending.clear();
    CStdioFile::Abort();
}

bool CSetupFile::OnDiskFull(const CFileException&)
{
    return false;
}
