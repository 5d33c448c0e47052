#pragma once
// Codecs turn the packed bytes of a member into its expanded bytes (Expand)
// and back (Compress). A codec reads through the input file's Read and writes
// through the output file's Write, so a counting file underneath sees every
// byte; it owns its buffers and, for zlib, the stream state. Failures are
// exceptions: the file's own, CFileException endOfFile for packed data that
// ends early in a copy, and the zlib results mapped by ThrowOnZLibError.
#include "fw/File.h"

#include <cstdint>
#include <memory>
#include <vector>

struct z_stream_s;

class CCodec {
public:
    CCodec() = default;
    CCodec(const CCodec&) = delete;
    CCodec& operator=(const CCodec&) = delete;
    virtual ~CCodec();

    // Asks the running operation to stop; the codecs do not look at the flag
    // while they run, the caller acts on it afterwards.
    virtual void Abort() { m_bAborted = true; }
    // One byte from the input, -1 at its end.
    virtual int ReadByte();
    virtual unsigned Read(void* buffer, unsigned count);
    virtual void WriteByte(unsigned char byte);
    virtual void Write(const void* buffer, unsigned count);

    // Transforms all of the input into the output.
    virtual void Compress() = 0;
    void Compress(CFile* in, CFile* out);
    // Transforms packedSize input bytes that expand to size bytes.
    virtual void Expand(std::uint32_t packedSize, std::uint32_t size) = 0;
    void Expand(CFile* in, CFile* out, std::uint32_t packedSize, std::uint32_t size);

    bool IsAborted() const noexcept { return m_bAborted; }

protected:
    CFile* m_pIn = nullptr;   // set only while an operation runs; not owned
    CFile* m_pOut = nullptr;  // set only while an operation runs; not owned
    bool m_bAborted = false;
};

// Method 2: the packed bytes are the file's bytes.
class CCopyCodec : public CCodec {
public:
    static constexpr unsigned kBufferSize = 16384;

    CCopyCodec();
    using CCodec::Compress;
    using CCodec::Expand;
    void Compress() override;
    // Copies exactly packedSize bytes; size is not consulted.
    void Expand(std::uint32_t packedSize, std::uint32_t size) override;

private:
    std::vector<unsigned char> m_buffer;
};

// Method 4: one zlib stream (zlib header, deflate data, Adler-32 trailer,
// window of 2^15 bytes) per member.
class CZLibCodec : public CCodec {
public:
    // Packed data is asked for 256 KB at a time: inflate runs longest between
    // calls that way. The counting read underneath still takes it from the
    // archive in blocks of 4096 bytes, with the progress hook after each.
    static constexpr unsigned kBufferSize = 262144;
    // Output goes to the file in large writes: each write is a system call,
    // and under Wine more than that; and inflate copies the last 32 KB of its
    // output into its window after every call, a large share of a small
    // buffer. A member's buffers are no larger than the member needs.
    static constexpr unsigned kOutBufferSize = 262144;

    CZLibCodec();
    ~CZLibCodec() override;
    using CCodec::Compress;
    using CCodec::Expand;

    // deflate at Z_DEFAULT_COMPRESSION.
    void Compress() override;
    // Inflates until the stream ends, so the Adler-32 trailer is always
    // checked (by Adler32, not by zlib's slower own). The whole packed data
    // is consumed whatever the stream holds: bytes after its
    // end are read and dropped, so the archive walk stays in step (a member
    // of size 0 included). Output that goes beyond size, or a stream that
    // ends short of it, is damaged data (CZLibException dataError). The
    // stream stays open for the next member, which resets it.
    void Expand(std::uint32_t packedSize, std::uint32_t size) override;

private:
    // A buffer that keeps its memory for the next member and is not cleared.
    struct Buffer {
        std::unique_ptr<unsigned char[]> bytes;
        unsigned capacity = 0;
        unsigned char* Get(unsigned size);
    };

    void StartInflate();
    // Reads, inflates and writes until the stream ends, then checks the
    // trailer and the size; returns the bytes read from the packed data.
    std::uint64_t InflateMember(std::uint32_t packedSize, std::uint32_t size);
    void DiscardInput(std::uint32_t count);
    static void KeepLastBytes(unsigned char (&before)[4], const unsigned char* bytes, unsigned count) noexcept;

    // Ends a stream an exception left open.
    void EndStream() noexcept;

    enum class StreamState { none, inflating, deflating };

    std::unique_ptr<z_stream_s> m_pStream;
    Buffer m_in;
    Buffer m_out;
    StreamState m_state = StreamState::none;
};

// The result test of every zlib call: Z_OK and Z_STREAM_END pass; Z_ERRNO
// throws the file exception for errno, Z_MEM_ERROR the memory exception,
// Z_STREAM_ERROR, Z_DATA_ERROR and Z_BUF_ERROR CZLibException streamError,
// dataError and bufferError, anything else CZLibException otherError.
void ThrowOnZLibError(int result);
