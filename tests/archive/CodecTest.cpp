#include "archive/Codec.h"
#include "archive/MultiFile.h"
#include "archive/ArchiveTestSupport.h"
#include "errors/XException.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

class CodecTest : public ::testing::Test {
protected:
    TempDir dir;
    CMultiFile in;
    CMultiFile out;

    // Expands packed (followed by tail in the same input file) into out.bin.
    void Expand(CCodec& codec, const std::string& packed, std::uint32_t packedSize, std::uint32_t size,
                const std::string& tail = {})
    {
        WriteFileBytes(dir / "in.bin", packed + tail);
        in.OpenRead(dir / "in.bin");
        out.OpenWrite(dir / "out.bin");
        codec.Expand(&in, &out, packedSize, size);
    }
    std::string Output()
    {
        out.Close();
        return ReadFileBytes(dir / "out.bin");
    }
    std::string RestOfInput()
    {
        std::string rest(1000, '\0');
        rest.resize(in.RawRead(&rest[0], 1000));
        return rest;
    }
    int ZLibErrorOf(const std::string& packed, std::uint32_t packedSize, std::uint32_t size)
    {
        CZLibCodec codec;
        try {
            Expand(codec, packed, packedSize, size);
        } catch (const CZLibException& e) {
            return e.m_nCode;
        }
        return 0;
    }
};

using ZLibCodecTest = CodecTest;

// One codec expands member after member, as an archive's does, each after a
// stream cut short: nothing of one stream carries over into the next.
TEST_F(ZLibCodecTest, ZLibExpandsStreamsOfAnotherProducer)
{
    CZLibCodec codec;
    for (std::size_t size : {0u, 1u, 4095u, 4096u, 4097u, 100000u, 3 * CZLibCodec::kOutBufferSize + 5})
        for (bool compressible : {true, false}) {
            const std::string data = SampleBytes(size, static_cast<unsigned>(size), compressible);
            const std::string packed = ZlibPack(data, compressible ? 9 : 1);
            const std::string cut = packed.substr(0, packed.size() / 2);
            EXPECT_ANY_THROW(Expand(codec, cut, static_cast<std::uint32_t>(cut.size()), static_cast<std::uint32_t>(size)));
            in.Close();
            out.Close();
            in.m_nBytesRead = 0;
            out.m_checksum = 0;
            Expand(codec, packed, static_cast<std::uint32_t>(packed.size()), static_cast<std::uint32_t>(size), "NEXT");
            EXPECT_EQ(data, Output()) << size;
            EXPECT_EQ(ReferenceChecksum(data), out.m_checksum.m_nValue);
            EXPECT_EQ("NEXT", RestOfInput());
            EXPECT_EQ(static_cast<std::int64_t>(packed.size()), in.m_nBytesRead);
            in.Close();
            in.m_nBytesRead = 0;
            out.m_checksum = 0;
        }
}

TEST_F(CodecTest, ZLibCompressMakesAStreamZLibReadsBack)
{
    const std::string data = SampleBytes(50000, 9, true);
    WriteFileBytes(dir / "plain.bin", data);
    CSetupFile plain, packed;
    plain.OpenRead(dir / "plain.bin");
    packed.OpenWrite(dir / "packed.bin");
    CZLibCodec codec;
    codec.Compress(&plain, &packed);
    packed.Close();
    const std::string stream = ReadFileBytes(dir / "packed.bin");
    EXPECT_LT(stream.size(), data.size() * 3 / 4);
    std::string back(data.size(), '\0');
    uLongf backSize = static_cast<uLongf>(back.size());
    ASSERT_EQ(Z_OK, uncompress(reinterpret_cast<Bytef*>(&back[0]), &backSize,
                               reinterpret_cast<const Bytef*>(stream.data()), static_cast<uLong>(stream.size())));
    EXPECT_EQ(data, back);
    EXPECT_EQ(ZlibPack(data, Z_DEFAULT_COMPRESSION), stream);
}

TEST_F(CodecTest, CopyCompressCopiesEverything)
{
    const std::string data = SampleBytes(40000, 4, false);
    WriteFileBytes(dir / "plain.bin", data);
    CSetupFile plain, copy;
    plain.OpenRead(dir / "plain.bin");
    copy.OpenWrite(dir / "copy.bin");
    CCopyCodec codec;
    codec.Compress(&plain, &copy);
    copy.Close();
    EXPECT_EQ(data, ReadFileBytes(dir / "copy.bin"));
}

TEST_F(ZLibCodecTest, ZLibDataCutShortIsABufferError)
{
    const std::string packed = ZlibPack(SampleBytes(20000, 5, true));
    const auto size = 20000u;
    // The input ends before the packed size.
    EXPECT_EQ(4, ZLibErrorOf(packed.substr(0, packed.size() / 2), static_cast<std::uint32_t>(packed.size()), size));
    in.Close();
    // The packed size itself cut short.
    EXPECT_EQ(4, ZLibErrorOf(packed, static_cast<std::uint32_t>(packed.size() / 2), size));
    in.Close();
    // Only the Adler-32 trailer missing: every byte expanded, still damaged.
    EXPECT_EQ(4, ZLibErrorOf(packed.substr(0, packed.size() - 4), static_cast<std::uint32_t>(packed.size() - 4), size));
}

TEST_F(ZLibCodecTest, ZLibAlteredDataIsADataError)
{
    const std::string data = SampleBytes(20000, 6, true);
    std::string packed = ZlibPack(data);
    packed[packed.size() / 2] ^= 0x55;
    EXPECT_EQ(3, ZLibErrorOf(packed, static_cast<std::uint32_t>(packed.size()), 20000));
    in.Close();
    std::string badHeader = ZlibPack(data);
    badHeader[0] = 0x79;
    EXPECT_EQ(3, ZLibErrorOf(badHeader, static_cast<std::uint32_t>(badHeader.size()), 20000));
}

// The expansion goes on to the end of the stream after the last byte, so a
// damaged trailer is caught even when the size was reached first.
TEST_F(ZLibCodecTest, ZLibDamagedTrailerIsCaught)
{
    for (std::size_t size : {100u, 4096u, 10000u}) {
        std::string packed = ZlibPack(SampleBytes(size, 8, false), 0);
        packed.back() ^= 1;
        EXPECT_EQ(3, ZLibErrorOf(packed, static_cast<std::uint32_t>(packed.size()), static_cast<std::uint32_t>(size)));
        in.Close();
    }
}

// The codec reads the packed data in pieces of kBufferSize bytes; a trailer
// that begins in one piece and ends in the next is read whole, and checked.
TEST_F(ZLibCodecTest, ZLibTrailerAcrossTwoReadsIsChecked)
{
    const std::string data = SampleBytes(CZLibCodec::kBufferSize, 13, false);
    for (std::size_t inSecond : {1u, 2u, 3u}) {
        // Stored blocks: a few bytes more than the data, the data's size
        // chosen so that the stream ends inSecond bytes into the second read.
        const std::size_t target = CZLibCodec::kBufferSize + inSecond;
        std::string part, packed;
        for (std::size_t n = target - 100; n < target && packed.size() != target; ++n) {
            part = data.substr(0, n);
            packed = ZlibPack(part, 0);
        }
        ASSERT_EQ(target, packed.size());
        const auto packedSize = static_cast<std::uint32_t>(packed.size());
        const auto size = static_cast<std::uint32_t>(part.size());
        EXPECT_EQ(0, ZLibErrorOf(packed, packedSize, size)) << inSecond;
        EXPECT_EQ(part, Output());
        in.Close();
        packed[packed.size() - 4] ^= 1;
        EXPECT_EQ(3, ZLibErrorOf(packed, packedSize, size)) << inSecond;
        in.Close();
        out.Close();
    }
}

TEST_F(ZLibCodecTest, ZLibStreamLongerThanTheSizeStopsWithoutWritingMore)
{
    const std::string data = SampleBytes(200000, 10, true);
    const std::string packed = ZlibPack(data);
    EXPECT_EQ(3, ZLibErrorOf(packed, static_cast<std::uint32_t>(packed.size()), 5000));
    EXPECT_LE(Output().size(), 5000u);
}

TEST_F(ZLibCodecTest, ZLibStreamShorterThanTheSizeIsDamaged)
{
    const std::string packed = ZlibPack("short");
    EXPECT_EQ(3, ZLibErrorOf(packed, static_cast<std::uint32_t>(packed.size()), 6));
}

// A member of size 0 still has its stream consumed, so the next header is
// where the walk expects it.
TEST_F(ZLibCodecTest, ZLibSizeZeroConsumesItsPackedData)
{
    const std::string packed = ZlibPack("");
    CZLibCodec codec;
    Expand(codec, packed, static_cast<std::uint32_t>(packed.size()), 0, "NEXT");
    EXPECT_EQ("", Output());
    EXPECT_EQ("NEXT", RestOfInput());
}

TEST_F(ZLibCodecTest, ZLibBytesAfterTheStreamAreConsumed)
{
    const std::string packed = ZlibPack("hello") + "junk";
    CZLibCodec codec;
    Expand(codec, packed, static_cast<std::uint32_t>(packed.size()), 5, "NEXT");
    EXPECT_EQ("hello", Output());
    EXPECT_EQ("NEXT", RestOfInput());
}

// A write fails part of the way: the failure ends the expansion, and the
// codec expands the next member as usual.
TEST_F(ZLibCodecTest, ZLibFailedWriteEndsTheExpansion)
{
    struct FailingOutput : CMultiFile {
        int writes = 0;
        void Write(const void* buffer, unsigned count) override
        {
            if (++writes == 2)
                AfxThrowFileException(CFileException::diskFull);
            CMultiFile::Write(buffer, count);
        }
    } failing;
    // Four output pieces.
    const std::string data = SampleBytes(4 * CZLibCodec::kOutBufferSize - 1, 21, true);
    const std::string packed = ZlibPack(data);
    const auto packedSize = static_cast<std::uint32_t>(packed.size());
    const auto size = static_cast<std::uint32_t>(data.size());
    WriteFileBytes(dir / "in.bin", packed);
    in.OpenRead(dir / "in.bin");
    failing.OpenWrite(dir / "failed.bin");
    CZLibCodec codec;
    try {
        codec.Expand(&in, &failing, packedSize, size);
        ADD_FAILURE() << "the failed write went unnoticed";
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::diskFull, e.m_cause);
    }
    EXPECT_EQ(2, failing.writes);
    in.Close();
    Expand(codec, packed, packedSize, size);
    EXPECT_EQ(data, Output());
}

TEST_F(CodecTest, CopyReadsExactlyThePackedSize)
{
    const std::string data = SampleBytes(40000, 11, false);
    CCopyCodec codec;
    Expand(codec, data, 40000, 123, "NEXT");
    EXPECT_EQ(data, Output());
    EXPECT_EQ("NEXT", RestOfInput());
}

TEST_F(CodecTest, CopyOfPackedSizeZeroReadsAndWritesNothing)
{
    CCopyCodec codec;
    Expand(codec, "", 0, 10, "NEXT");
    EXPECT_EQ("", Output());
    EXPECT_EQ(0, in.m_nBytesRead);
    EXPECT_EQ("NEXT", RestOfInput());
}

TEST_F(CodecTest, CopyCutShortIsEndOfFile)
{
    CCopyCodec codec;
    try {
        Expand(codec, "abc", 10, 10);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::endOfFile, e.m_cause);
    }
    EXPECT_EQ("abc", Output());
}

TEST(ZLibResultTest, EveryResultMapsToItsException)
{
    EXPECT_NO_THROW(ThrowOnZLibError(Z_OK));
    EXPECT_NO_THROW(ThrowOnZLibError(Z_STREAM_END));
    EXPECT_THROW(ThrowOnZLibError(Z_ERRNO), CFileException);
    EXPECT_THROW(ThrowOnZLibError(Z_MEM_ERROR), CMemoryException);
    const std::pair<int, int> codes[] = {
        {Z_STREAM_ERROR, 2}, {Z_DATA_ERROR, 3}, {Z_BUF_ERROR, 4}, {Z_NEED_DICT, 1}, {Z_VERSION_ERROR, 1}};
    for (const auto& [result, code] : codes) {
        try {
            ThrowOnZLibError(result);
            ADD_FAILURE() << "no exception for " << result;
        } catch (const CZLibException& e) {
            EXPECT_EQ(code, e.m_nCode) << result;
        }
    }
}

} // namespace
