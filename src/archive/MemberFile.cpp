#include "archive/MemberFile.h"

#include "errors/XException.h"

CMemberFile::CMemberFile() noexcept
{
    SetWriteBuffer(kOutputBufferSize);
}

int CMemberFile::ReadHeader(CMultiFile& archive)
{
    unsigned char bytes[kHeaderSize];
    if (archive.RawRead(bytes, kHeaderSize) < kHeaderSize)
        return 0;
    MemberHeader header;
    DecodeHeader(bytes, header);
    if (!header.HasMagic())
        throw CMultiFileException(MultiFileCode::missingEntryHeader);
    m_header = header;
    m_strName = m_header.FileNameText();
    m_strComment = m_header.CommentText();
    return static_cast<int>(kHeaderSize);
}

void CMemberFile::FromFileStatus()
{
    CFileStatus status;
    if (!CFile::GetStatus(m_strName.c_str(), status))
        AfxThrowFileException(CFileException::fileNotFound, -1, m_strName);
    m_header.modifiedTime = static_cast<std::int32_t>(status.m_mtime);
    m_header.size = static_cast<std::uint32_t>(status.m_size);
    m_header.attributes = status.m_attribute;
}

void CMemberFile::CreateNewOutput(const std::string& path, const wchar_t* exactPath)
{
    m_strOutputPath = path;
    OpenWriteNew(path, true, exactPath);
}

void CMemberFile::CreateOutput()
{
    if (!IsOpen() || m_path != m_strOutputPath)
        OpenWrite(m_strOutputPath, true);
    m_nBytesWritten = 0;
    m_checksum = 0;
}

void CMemberFile::CloseOutput()
{
    CFileStatus status;
    status.m_mtime = m_header.modifiedTime;
    status.m_attribute = static_cast<unsigned char>(m_header.attributes & kFileAttributeMask);
    SetStatus(status);
    if (!m_bKeepOutputOpen)
        Close();
}
