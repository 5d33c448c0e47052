#include "archive/Codec.h"

#include "archive/Adler32.h"
#include "errors/XException.h"
#include "fw/Monitor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <system_error>
#include <thread>
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

CZLibCodec::CZLibCodec(std::uint32_t threadedFrom)
    : m_pStream(std::make_unique<z_stream>()), m_nThreadedFrom(threadedFrom)
{
}

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
    EndStream();
    z_stream& zs = *m_pStream;
    zs = z_stream{};
    zs.zalloc = Z_NULL;  // zlib's own allocation
    zs.zfree = Z_NULL;
    zs.opaque = this;
    ThrowOnZLibError(inflateInit(&zs));
    m_state = StreamState::inflating;
    // zlib's Adler-32 goes a byte at a time; Inflate checks the trailer with
    // a faster one of its own. zlib still reads the trailer.
    ThrowOnZLibError(inflateValidate(&zs, 0));
}

void CZLibCodec::Expand(std::uint32_t packedSize, std::uint32_t size)
{
    StartInflate();
    const std::uint64_t fed = InflateMember(packedSize, size);
    m_state = StreamState::none;
    ThrowOnZLibError(inflateEnd(m_pStream.get()));
    DiscardInput(static_cast<std::uint32_t>(packedSize - fed));
}

// Where Inflate takes the packed data from and leaves the output.
class CZLibCodec::Pipe {
public:
    // The next piece of packed data; count 0 when there is no more. The piece
    // given before is no longer used.
    virtual const unsigned char* NextInput(unsigned& count) = 0;
    // Takes count bytes of output from buffer; returns where the next output goes.
    virtual unsigned char* PutOutput(unsigned char* buffer, unsigned count) = 0;
    // Takes the last output.
    virtual void PutLastOutput(unsigned char* buffer, unsigned count) = 0;

protected:
    ~Pipe() = default;
};

// Reads and writes on this thread, through one buffer of each kind.
class CZLibCodec::DirectPipe final : public Pipe {
public:
    DirectPipe(CZLibCodec& codec, unsigned char* in, unsigned inSize, std::uint32_t packedSize) noexcept
        : m_codec(codec), m_in(in), m_nInSize(inSize), m_nPackedSize(packedSize)
    {
    }
    const unsigned char* NextInput(unsigned& count) override
    {
        const auto want = static_cast<unsigned>(std::min<std::uint64_t>(m_nInSize, m_nPackedSize - m_nFed));
        count = want ? m_codec.Read(m_in, want) : 0;
        m_nFed += count;
        return m_in;
    }
    unsigned char* PutOutput(unsigned char* buffer, unsigned count) override
    {
        m_codec.Write(buffer, count);
        return buffer;
    }
    void PutLastOutput(unsigned char* buffer, unsigned count) override { m_codec.Write(buffer, count); }

    // Kept here rather than in total_in, which is 32 bits on Windows.
    std::uint64_t Fed() const noexcept { return m_nFed; }

private:
    CZLibCodec& m_codec;
    unsigned char* m_in;
    unsigned m_nInSize;
    std::uint32_t m_nPackedSize;
    std::uint64_t m_nFed = 0;
};

namespace {

// Unwinds the inflating thread when the reading one has given up on it.
struct InflateStopped {};

} // namespace

// The pieces of one member handed between the thread that reads and writes
// (the codec's caller) and the thread that inflates: two of packed data and
// two of output, each either full (waiting for the other side) or free.
// Pieces go round in a fixed order, so each side only looks at its next one.
class CZLibCodec::Handoff final : public Pipe {
public:
    Handoff(CZLibCodec& codec, std::uint32_t packedSize, unsigned inSize, unsigned outSize)
        : m_nInSize(inSize), m_nPackedSize(packedSize), m_bInputEnded(packedSize == 0)
    {
        for (int i = 0; i < 2; ++i) {
            m_in[i].bytes = codec.m_in[i].Get(inSize);
            m_out[i].bytes = codec.m_out[i].Get(outSize);
        }
    }

    // Where the inflating thread puts its first output.
    unsigned char* FirstOutput() const noexcept { return m_out[0].bytes; }

    // The inflating thread's side.
    const unsigned char* NextInput(unsigned& count) override
    {
        CMonitor::Locked locked(m_monitor);
        if (m_pHeld) {
            m_pHeld->full = false;
            m_pHeld = nullptr;
            m_monitor.NotifyAll();
        }
        Piece& next = m_in[m_nInTaken];
        while (!next.full && !m_bInputEnded && !m_bStopped)
            m_monitor.Wait();
        if (m_bStopped)
            throw InflateStopped{};
        if (!next.full) {
            count = 0;
            return next.bytes;
        }
        m_pHeld = &next;
        m_nInTaken ^= 1;
        count = next.count;
        return next.bytes;
    }
    unsigned char* PutOutput(unsigned char*, unsigned count) override
    {
        CMonitor::Locked locked(m_monitor);
        Put(count);
        Piece& next = m_out[m_nOutPut];
        while (next.full && !m_bStopped)
            m_monitor.Wait();
        if (m_bStopped)
            throw InflateStopped{};
        return next.bytes;
    }
    void PutLastOutput(unsigned char*, unsigned count) override
    {
        CMonitor::Locked locked(m_monitor);
        Put(count);
    }
    // The inflating thread has ended, with the exception that ended it or none.
    void Finish(std::exception_ptr error) noexcept
    {
        CMonitor::Locked locked(m_monitor);
        m_error = std::move(error);
        m_bFinished = true;
        m_monitor.NotifyAll();
    }

    // The reading thread's side: writes full output pieces and reads the
    // packed data ahead into free pieces, in their order, until the inflating
    // thread has ended and its output is written; then rethrows what ended
    // it. Returns the bytes read.
    std::uint64_t Serve(CZLibCodec& codec)
    {
        CMonitor::Locked locked(m_monitor);
        std::uint64_t fed = 0;
        for (;;) {
            Piece& out = m_out[m_nOutWritten];
            Piece& in = m_in[m_nInFilled];
            if (out.full) {
                {
                    CMonitor::Unlocked unlocked(m_monitor);
                    codec.Write(out.bytes, out.count);
                }
                out.full = false;
                m_nOutWritten ^= 1;
                m_monitor.NotifyAll();
            } else if (m_bFinished) {
                // Ended, well or not: no more packed data is needed here.
                break;
            } else if (!in.full && !m_bInputEnded) {
                const auto want = static_cast<unsigned>(std::min<std::uint64_t>(m_nInSize, m_nPackedSize - fed));
                unsigned count;
                {
                    CMonitor::Unlocked unlocked(m_monitor);
                    count = codec.Read(in.bytes, want);
                }
                fed += count;
                if (count != 0) {
                    in.count = count;
                    in.full = true;
                    m_nInFilled ^= 1;
                }
                m_bInputEnded = count == 0 || fed == m_nPackedSize;
                m_monitor.NotifyAll();
            } else {
                m_monitor.Wait();
            }
        }
        if (m_error)
            std::rethrow_exception(m_error);
        return fed;
    }
    // Has the inflating thread give up at its next piece.
    void Stop() noexcept
    {
        CMonitor::Locked locked(m_monitor);
        m_bStopped = true;
        m_monitor.NotifyAll();
    }

private:
    struct Piece {
        unsigned char* bytes = nullptr;
        unsigned count = 0;
        bool full = false;
    };

    // Marks the piece being inflated into full, with the lock held. (It is
    // the buffer Inflate gives back: PutOutput handed it out.)
    void Put(unsigned count) noexcept
    {
        Piece& piece = m_out[m_nOutPut];
        piece.count = count;
        piece.full = true;
        m_nOutPut ^= 1;
        m_monitor.NotifyAll();
    }

    CMonitor m_monitor;
    Piece m_in[2];
    Piece m_out[2];
    unsigned m_nInTaken = 0;     // next piece of packed data to inflate
    unsigned m_nInFilled = 0;    // next piece to read into
    unsigned m_nOutPut = 0;      // next piece to inflate into
    unsigned m_nOutWritten = 0;  // next piece to write
    Piece* m_pHeld = nullptr;    // the packed data being inflated
    const unsigned m_nInSize;
    const std::uint32_t m_nPackedSize;
    bool m_bInputEnded;          // no more packed data will come
    bool m_bFinished = false;    // the inflating thread has ended
    bool m_bStopped = false;     // the reading thread has given up
    std::exception_ptr m_error;
};

std::uint64_t CZLibCodec::InflateMember(std::uint32_t packedSize, std::uint32_t size)
{
    const auto inSize = static_cast<unsigned>(std::clamp<std::uint32_t>(packedSize, 1, kBufferSize));
    // One byte more than the member, so that output beyond it shows.
    const auto outSize = static_cast<unsigned>(std::min<std::uint64_t>(std::uint64_t{size} + 1, kOutBufferSize));
    if (size >= m_nThreadedFrom) {
        Handoff handoff(*this, packedSize, inSize, outSize);
        std::thread inflating;
        try {
            inflating = std::thread([this, &handoff, outSize, size] {
                try {
                    Inflate(handoff, handoff.FirstOutput(), outSize, size);
                    handoff.Finish(nullptr);
                } catch (const InflateStopped&) {
                    handoff.Finish(nullptr);
                } catch (...) {
                    handoff.Finish(std::current_exception());
                }
            });
        } catch (const std::system_error&) {
            // No thread to be had: this one does it all.
        }
        if (inflating.joinable()) {
            struct Join {
                Handoff& handoff;
                std::thread& thread;
                ~Join()
                {
                    handoff.Stop();
                    thread.join();
                }
            } join{handoff, inflating};
            return handoff.Serve(*this);
        }
    }
    DirectPipe pipe(*this, m_in[0].Get(inSize), inSize, packedSize);
    Inflate(pipe, m_out[0].Get(outSize), outSize, size);
    return pipe.Fed();
}

void CZLibCodec::Inflate(Pipe& pipe, unsigned char* out, unsigned outSize, std::uint32_t size)
{
    z_stream& zs = *m_pStream;
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
            in = pipe.NextInput(filled);
            zs.next_in = const_cast<unsigned char*>(in);
            zs.avail_in = filled;
        }
        if (zs.avail_out == 0) {
            adler = Adler32(adler, out, outSize);
            out = pipe.PutOutput(out, outSize);
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
    pipe.PutLastOutput(out, last);
    written += last;
    if (written != size)
        throw CZLibException(ZLibCode::dataError);
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
    unsigned char* in = m_in[0].Get(size);
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

    unsigned char* in = m_in[0].Get(kBufferSize);
    unsigned char* out = m_out[0].Get(kOutBufferSize);
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
