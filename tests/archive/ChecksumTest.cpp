#include "archive/Checksum.h"
#include "archive/Adler32.h"
#include "archive/ArchiveTestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

std::uint32_t Of(const std::string& bytes, std::uint32_t start = 0)
{
    CChecksum c(start);
    c.Update(bytes.data(), bytes.size());
    return c;
}

TEST(ChecksumTest, CheckValues)
{
    EXPECT_EQ(0x3AB551CEu, Of("a"));
    EXPECT_EQ(0x3E105F31u, Of("abc"));
    for (std::size_t n : {1u, 16u, 767u, 768u, 5000u})
        EXPECT_EQ(0u, Of(std::string(n, '\0'))) << n;
}

TEST(ChecksumTest, TableIsTheReflectedCrc32Table)
{
    const std::uint32_t* t = CChecksum::Table();
    EXPECT_EQ(0u, t[0]);
    EXPECT_EQ(0x77073096u, t[1]);
    EXPECT_EQ(0xEDB88320u, t[128]);
    EXPECT_EQ(0x2D02EF8Du, t[255]);
}

// The folding of many bytes at once must give exactly the byte rule's value,
// for every length around the 16-byte and 768-byte steps and any start value.
TEST(ChecksumTest, FoldingEqualsTheByteRule)
{
    const std::string bytes = SampleBytes(5000, 7, false);
    for (std::uint32_t start : {0u, 1u, 0x80000000u, 0xFFFFFFFFu, 0x12345678u})
        for (std::size_t length = 0; length <= 2400; length += (length < 40 ? 1 : 37)) {
            for (std::size_t offset : {0u, 3u}) {
                const std::string run = bytes.substr(offset, length);
                CChecksum bytewise(start);
                bytewise.UpdateBytewise(run.data(), run.size());
                EXPECT_EQ(ReferenceChecksum(run, start), bytewise.m_nValue);
                EXPECT_EQ(bytewise.m_nValue, Of(run, start)) << "length " << length << " start " << start;
            }
        }
}

// Runs of 16 KB and more go through 64 lanes at once where the processor has
// AVX2; the lanes' join must give the byte rule's value too.
// zlib's own Adler-32 is the reference: every length around the 32-byte step
// and the run after which the sums are reduced, from several start values,
// and long runs of 0xFF, whose sums grow fastest.
TEST(Adler32Test, EqualsZlibsForEveryLengthAndStart)
{
    const std::string bytes = SampleBytes(3 * 5552 + 200, 12, false);
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::uint32_t start : {1u, 0u, 0xFFF0FFF0u, 0x12345678u % 65521u})
        for (std::size_t length = 0; length <= bytes.size(); length += (length < 100 || length % 5552 < 64) ? 1 : 97)
            ASSERT_EQ(adler32_z(start, data, length), Adler32(start, data, length)) << "length " << length;
    const std::string ones(1 << 20, '\xFF');
    EXPECT_EQ(adler32_z(0xFFF0FFF0u, reinterpret_cast<const unsigned char*>(ones.data()), ones.size()),
              Adler32(0xFFF0FFF0u, ones.data(), ones.size()));
}

TEST(ChecksumTest, WideBlocksEqualTheByteRule)
{
    const std::string bytes = SampleBytes(3 * 16384 + 100, 11, true);
    for (std::uint32_t start : {0u, 0xFFFFFFFFu, 0x12345678u})
        for (std::size_t length : {16383u, 16384u, 16385u, 2 * 16384u + 17u, 3 * 16384u + 99u})
            for (std::size_t offset : {0u, 1u}) {
                const std::string run = bytes.substr(offset, length);
                CChecksum bytewise(start);
                bytewise.UpdateBytewise(run.data(), run.size());
                EXPECT_EQ(bytewise.m_nValue, Of(run, start)) << "length " << length << " start " << start;
            }
}

TEST(ChecksumTest, PiecesGiveTheValueOfTheWhole)
{
    const std::string bytes = SampleBytes(100000, 3, true);
    CChecksum pieces;
    for (std::size_t at = 0, step = 1; at < bytes.size(); at += step, step = step * 3 % 4099 + 1)
        pieces.Update(bytes.data() + at, std::min(step, bytes.size() - at));
    EXPECT_EQ(ReferenceChecksum(bytes), pieces.m_nValue);
    EXPECT_EQ(pieces.m_nValue, Of(bytes));
}

} // namespace
