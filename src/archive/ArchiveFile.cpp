#include "archive/ArchiveFile.h"

#include "errors/XException.h"

#include <algorithm>
#include <vector>

namespace {

// Clears the current member and the codec in use however an expansion ends;
// the codec itself stays for the next member.
struct ExpansionScope {
    CCodec*& codec;
    CMemberFile*& current;
    ~ExpansionScope()
    {
        current = nullptr;
        codec = nullptr;
    }
};

} // namespace

CArchiveFile::CArchiveFile()
{
    m_nBlockSize = kBlockSize;
    m_bChecksumReads = false;
}

CArchiveFile::~CArchiveFile() = default;

void CArchiveFile::OpenArchive(const std::string& path)
{
    OpenRead(path, true);
    m_nVolume = 1;
    ReadSignature();
}

int CArchiveFile::ReadSignature()
{
    unsigned char bytes[kSignatureSize];
    if (RawRead(bytes, kSignatureSize) < kSignatureSize)
        AfxThrowFileException(CFileException::endOfFile, -1, m_path);
    if (!HasVolumeMagic(bytes))
        throw CMultiFileException(MultiFileCode::notAnArchive);
    return static_cast<int>(kSignatureSize);
}

bool CArchiveFile::NextMember(CMemberFile& member)
{
    return member.ReadHeader(*this) != 0;
}

std::unique_ptr<CCodec> CArchiveFile::CreateCodec(std::int32_t method, std::int32_t)
{
    switch (method) {
    case METHOD_COPY: return std::make_unique<CCopyCodec>();
    case METHOD_ZLIB: return std::make_unique<CZLibCodec>();
    default:          return nullptr;
    }
}

CCodec* CArchiveFile::CodecFor(std::int32_t method, std::int32_t option)
{
    for (const MadeCodec& made : m_codecs)
        if (made.method == method && made.option == option)
            return made.codec.get();
    std::unique_ptr<CCodec> codec = CreateCodec(method, option);
    if (!codec)
        return nullptr;
    m_codecs.push_back({method, option, std::move(codec)});
    return m_codecs.back().codec.get();
}

void CArchiveFile::ExtractMember(CMemberFile& member)
{
    const MemberHeader& header = member.Header();
    member.CreateOutput();
    bool aborted = false;
    {
        ExpansionScope scope{m_pCodec, m_pCurrent};
        m_pCodec = CodecFor(header.method, header.methodOption);
        if (!m_pCodec)
            throw CMultiFileException(MultiFileCode::unknownMethod);
        m_pCurrent = &member;
        m_pCodec->Expand(this, &member, header.packedSize, header.size);
        aborted = m_pCodec->IsAborted();
    }
    member.CloseOutput();
    if (aborted)
        AfxThrowUserException();
    if (header.checksum != 0 && header.checksum != member.m_checksum.m_nValue)
        throw CMultiFileException(MultiFileCode::checksumMismatch);
}

void CArchiveFile::SkipMember(CMemberFile& member)
{
    CMemberFile* previous = m_pCurrent;
    m_pCurrent = &member;
    struct Restore {
        CMemberFile*& current;
        CMemberFile* previous;
        ~Restore() { current = previous; }
    } restore{m_pCurrent, previous};

    std::vector<unsigned char> buffer(kBlockSize);
    std::uint32_t left = member.Header().packedSize;
    while (left != 0) {
        const unsigned n = Read(buffer.data(), std::min<std::uint32_t>(kBlockSize, left));
        if (n == 0)
            AfxThrowFileException(CFileException::endOfFile, -1);
        left -= n;
    }
}

void CArchiveFile::Abort() noexcept
{
    if (m_pCodec)
        m_pCodec->Abort();
}

bool CArchiveFile::OnVolumeEnd()
{
    CStdioFile::Abort();
    if (!m_pCurrent || m_pCurrent->Header().continues == 0)
        return true;
    const std::string name = NextVolumeName(LastPathComponent(m_path));
    if (name.empty() || name.back() == '\0')
        AfxThrowFileException(CFileException::fileNotFound, -1, name);
    std::string path;
    if (!FindNextVolume(name, path))
        AfxThrowUserException();
    OpenRead(path, true);
    ++m_nVolume;
    ReadSignature();
    return false;
}

bool CArchiveFile::FindNextVolume(const std::string& name, std::string& path)
{
    const std::size_t cut = m_path.find_last_of("\\/");
    path = (cut == std::string::npos ? std::string() : m_path.substr(0, cut + 1)) + name;
    return true;
}
