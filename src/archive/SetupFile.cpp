#include "archive/SetupFile.h"

void CSetupFile::OpenOrThrow(const std::string& path, unsigned flags)
{
    CFileException error;
    if (!Open(path.c_str(), flags, &error))
        throw error;
    m_path = path;
}

void CSetupFile::OpenRead(const std::string& path, bool binary)
{
    OpenOrThrow(path, modeRead | shareDenyNone | (binary ? typeBinary : typeText));
}

void CSetupFile::OpenWrite(const std::string& path, bool binary)
{
    OpenOrThrow(path, modeCreate | modeReadWrite | (binary ? typeBinary : typeText));
}

void CSetupFile::Write(const void* buffer, unsigned count)
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

bool CSetupFile::OnDiskFull(const CFileException&)
{
    return false;
}
