#include "archive/Codec.h"

#include "archive/Adler32.h"
#include "errors/XException.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <zlib.h>

void ThrowOnZLibError(int result)
{
    switch (result) {
    case Z_OK:
    case Z_STREAM_END:
        return;
    case Z_ERRNO:
        CFileException::ThrowErrno(errno);
    case Z_STREAM_ERROR:
        throw CZLibException(ZLibCode::streamError);
    case Z_DATA_ERROR:
        throw CZLibException(ZLibCode::dataError);
    case Z_MEM_ERROR:
        AfxThrowMemoryException();
    case Z_BUF_ERROR:
        throw CZLibException(ZLibCode::bufferError);
    default:
        throw CZLibException(ZLibCode::otherError);
    }
}

CCodec::~CCodec() = default;

int CCodec::ReadByte()
{
    unsigned char byte;
    return Read(&byte, 1) == 1 ? byte : -1;
}

unsigned CCodec::Read(void* buffer, unsigned count)
{
    return m_pIn->Read(buffer, count);
}

void CCodec::WriteByte(unsigned char byte)
{
    Write(&byte, 1);
}

void CCodec::Write(const void* buffer, unsigned count)
{
    m_pOut->Write(buffer, count);
}

namespace {

// Clears the codec's files however the operation ends.
struct FilesInUse {
    CFile*& in;
    CFile*& out;
    ~FilesInUse() { in = out = nullptr; }
};

} // namespace

void CCodec::Compress(CFile* in, CFile* out)
{
    m_pIn = in;
    m_pOut = out;
    m_bAborted = false;
    FilesInUse clear{m_pIn, m_pOut};
    Compress();
}

void CCodec::Expand(CFile* in, CFile* out, std::uint32_t packedSize, std::uint32_t size)
{
    m_pIn = in;
    m_pOut = out;
    m_bAborted = false;
    FilesInUse clear{m_pIn, m_pOut};
    Expand(packedSize, size);
}

CCopyCodec::CCopyCodec() : m_buffer(kBufferSize) {}

void CCopyCodec::Compress()
{
    while (const unsigned n = Read(m_buffer.data(), kBufferSize))
        Write(m_buffer.data(), n);
}

void CCopyCodec::Expand(std::uint32_t packedSize, std::uint32_t)
{
    while (packedSize != 0) {
        const unsigned n = Read(m_buffer.data(), std::min<std::uint32_t>(kBufferSize, packedSize));
        if (n == 0)
            AfxThrowFileException(CFileException::endOfFile, -1);
        Write(m_buffer.data(), n);
        packedSize -= n;
    }
}

unsigned char* CZLibCodec::Buffer::Get(unsigned size)
{
    if (capacity < size) {
        bytes.reset(new unsigned char[size]);
        capacity = size;
    }
    return bytes.get();
}

CZLibCodec::CZLibCodec() : m_pStream(std::make_unique<z_stream>()) {}

CZLibCodec::~CZLibCodec()
{
    EndStream();
}

void CZLibCodec::EndStream() noexcept
{
    if (m_state == StreamState::inflating)
        inflateEnd(m_pStream.get());
    else if (m_state == StreamState::deflating)
        deflateEnd(m_pStream.get());
    m_state = StreamState::none;
}

void CZLibCodec::StartInflate()
{
    z_stream& zs = *m_pStream;
    if (m_state == StreamState::inflating) {
        // The stream of the member before, however it ended: zlib starts
        // over with the state and window it has.
        ThrowOnZLibError(inflateReset(&zs));
    } else {
        EndStream();
        zs = z_stream{};
        zs.zalloc = Z_NULL;  // zlib's own allocation
        zs.zfree = Z_NULL;
        zs.opaque = this;
        ThrowOnZLibError(inflateInit(&zs));
        m_state = StreamState::inflating;
    }
    // zlib's Adler-32 goes a byte at a time; Inflate checks the trailer with
    // a faster one of its own. zlib still reads the trailer.
    ThrowOnZLibError(inflateValidate(&zs, 0));
}

void CZLibCodec::Expand(std::uint32_t packedSize, std::uint32_t size)
{
    StartInflate();
    const std::uint64_t fed = InflateMember(packedSize, size);
    DiscardInput(static_cast<std::uint32_t>(packedSize - fed));
}

std::uint64_t CZLibCodec::InflateMember(std::uint32_t packedSize, std::uint32_t size)
{
    const auto inSize = static_cast<unsigned>(std::clamp<std::uint32_t>(packedSize, 1, kBufferSize));
    // One byte more than the member, so that output beyond it shows.
    const auto outSize = static_cast<unsigned>(std::min<std::uint64_t>(std::uint64_t{size} + 1, kOutBufferSize));
    unsigned char* const inBuffer = m_in.Get(inSize);
    unsigned char* const out = m_out.Get(outSize);
    z_stream& zs = *m_pStream;
    std::uint64_t fed = 0;
    std::uint64_t written = 0;
    std::uint32_t adler = 1;
    // The last four bytes read before those in `in`: the trailer may begin there.
    unsigned char before[4] = {};
    const unsigned char* in = nullptr;
    unsigned filled = 0;
    zs.next_in = nullptr;
    zs.avail_in = 0;
    zs.next_out = out;
    zs.avail_out = outSize;
    for (;;) {
        if (zs.avail_in == 0) {
            KeepLastBytes(before, in, filled);
            const auto want = static_cast<unsigned>(std::min<std::uint64_t>(inSize, packedSize - fed));
            filled = want ? Read(inBuffer, want) : 0;
            fed += filled;
            in = inBuffer;
            zs.next_in = inBuffer;
            zs.avail_in = filled;
        }
        if (zs.avail_out == 0) {
            adler = Adler32(adler, out, outSize);
            Write(out, outSize);
            written += outSize;
            zs.next_out = out;
            zs.avail_out = outSize;
        }
        const int result = inflate(&zs, Z_NO_FLUSH);
        // More output than the header gives: never written, and the bound on
        // what a damaged stream can produce.
        if (written + (outSize - zs.avail_out) > size)
            throw CZLibException(ZLibCode::dataError);
        if (result == Z_STREAM_END)
            break;
        ThrowOnZLibError(result);
    }
    // The stream's last four bytes, just read, are the Adler-32 of its output;
    // a wrong one fails before the rest of the output is written, as zlib's
    // own check would.
    const unsigned last = outSize - zs.avail_out;
    adler = Adler32(adler, out, last);
    unsigned char trailer[4];
    const auto used = static_cast<unsigned>(zs.next_in - in);
    const unsigned fromIn = std::min(used, 4u);
    std::memcpy(trailer, before + fromIn, 4 - fromIn);
    std::memcpy(trailer + 4 - fromIn, zs.next_in - fromIn, fromIn);
    const std::uint32_t expected = std::uint32_t{trailer[0]} << 24 | std::uint32_t{trailer[1]} << 16 |
                                   std::uint32_t{trailer[2]} << 8 | trailer[3];
    if (adler != expected)
        throw CZLibException(ZLibCode::dataError);
    Write(out, last);
    written += last;
    if (written != size)
        throw CZLibException(ZLibCode::dataError);
    return fed;
}

// `before` holds the last four bytes read before `bytes`; it takes the last
// four of all of them.
void CZLibCodec::KeepLastBytes(unsigned char (&before)[4], const unsigned char* bytes, unsigned count) noexcept
{
    if (count == 0)
        return;
    if (count >= 4) {
        std::memcpy(before, bytes + count - 4, 4);
        return;
    }
    std::memmove(before, before + count, 4 - count);
    std::memcpy(before + 4 - count, bytes, count);
}

void CZLibCodec::DiscardInput(std::uint32_t count)
{
    if (count == 0)
        return;
    const auto size = std::min<std::uint32_t>(kBufferSize, count);
    unsigned char* in = m_in.Get(size);
    while (count != 0) {
        const unsigned n = Read(in, std::min<std::uint32_t>(size, count));
        if (n == 0)
            throw CZLibException(ZLibCode::bufferError);
        count -= n;
    }
}

void CZLibCodec::Compress()
{
    EndStream();
    z_stream& zs = *m_pStream;
    zs = z_stream{};
    zs.zalloc = Z_NULL;
    zs.zfree = Z_NULL;
    zs.opaque = this;
    ThrowOnZLibError(deflateInit(&zs, Z_DEFAULT_COMPRESSION));
    m_state = StreamState::deflating;

    unsigned char* in = m_in.Get(kBufferSize);
    unsigned char* out = m_out.Get(kOutBufferSize);
    bool moreInput = true;
    zs.next_in = in;
    zs.avail_in = 0;
    zs.next_out = out;
    zs.avail_out = kOutBufferSize;
    int result;
    do {
        if (zs.avail_in == 0) {
            const unsigned n = Read(in, kBufferSize);
            if (n == 0)
                moreInput = false;
            zs.next_in = in;
            zs.avail_in = n;
        }
        if (zs.avail_out == 0) {
            Write(out, kOutBufferSize);
            zs.next_out = out;
            zs.avail_out = kOutBufferSize;
        }
        result = deflate(&zs, moreInput ? Z_NO_FLUSH : Z_FINISH);
        ThrowOnZLibError(result);
    } while (moreInput || (result != Z_STREAM_END && zs.avail_out == 0));
    Write(out, kOutBufferSize - zs.avail_out);
    m_state = StreamState::none;
    ThrowOnZLibError(deflateEnd(&zs));
}
