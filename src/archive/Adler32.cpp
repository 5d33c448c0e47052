#include "archive/Adler32.h"

#include "archive/Avx2.h"

#include <zlib.h>

namespace {

#ifdef PELTO_AVX2

constexpr std::uint32_t kBase = 65521;
// The most bytes after which neither sum can have passed 2^32 - 1 when both
// started below kBase (zlib's NMAX), in whole steps of 32.
constexpr std::size_t kRun = 5552 / 32 * 32;

// The eight lanes added up, modulo kBase.
__attribute__((target("avx2"))) std::uint32_t SumModBase(__m256i lanes) noexcept
{
    std::uint32_t parts[8];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(parts), lanes);
    std::uint64_t total = 0;
    for (const std::uint32_t part : parts)
        total += part;
    return static_cast<std::uint32_t>(total % kBase);
}

// s1 is one plus the sum of the bytes, s2 the sum of s1 after every byte. A
// step of 32 bytes b[0..31] adds their sum to s1, and to s2 32 times s1 as it
// was before the step plus the sum of (32 - i) b[i]. The lanes gather these
// parts apart; the modulo is taken once per run of kRun bytes.
__attribute__((target("avx2"))) std::uint32_t Adler32Avx2(std::uint32_t adler, const unsigned char* p,
                                                         std::size_t size) noexcept
{
    std::uint32_t s1 = adler & 0xFFFF;
    std::uint32_t s2 = adler >> 16;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i weights = _mm256_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17,
                                             16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
    const __m256i ones = _mm256_set1_epi16(1);
    while (size >= 32) {
        std::size_t run = size < kRun ? size / 32 * 32 : kRun;
        size -= run;
        __m256i sum1 = _mm256_setr_epi32(static_cast<int>(s1), 0, 0, 0, 0, 0, 0, 0);
        __m256i sum2 = _mm256_setr_epi32(static_cast<int>(s2), 0, 0, 0, 0, 0, 0, 0);
        __m256i before = zero;  // s1 before each step, summed
        for (; run != 0; run -= 32, p += 32) {
            const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
            before = _mm256_add_epi32(before, sum1);
            sum1 = _mm256_add_epi32(sum1, _mm256_sad_epu8(bytes, zero));
            sum2 = _mm256_add_epi32(sum2, _mm256_madd_epi16(_mm256_maddubs_epi16(bytes, weights), ones));
        }
        sum2 = _mm256_add_epi32(sum2, _mm256_slli_epi32(before, 5));
        s1 = SumModBase(sum1);
        s2 = SumModBase(sum2);
    }
    for (; size != 0; --size) {
        s1 += *p++;
        s2 += s1;
    }
    return (s2 % kBase) << 16 | (s1 % kBase);
}

#endif

} // namespace

std::uint32_t Adler32(std::uint32_t adler, const void* data, std::size_t size) noexcept
{
    const auto* bytes = static_cast<const unsigned char*>(data);
#ifdef PELTO_AVX2
    if (HasAvx2())
        return Adler32Avx2(adler, bytes, size);
#endif
    return static_cast<std::uint32_t>(adler32_z(adler, bytes, size));
}
