#include "archive/Checksum.h"

#include "archive/Avx2.h"

#include <cstring>

// The byte rule is linear over GF(2) in the value and the byte together
// (T[x ^ y] = T[x] ^ T[y], the shift and mask are linear), so 16 bytes can be
// folded at once: the value after 16 bytes is A16(c) XOR the sum over the
// bytes b[i] of A^(15-i)(T[b[i]]), where A is the rule applied with a zero byte
// and A16 is A applied 16 times. Both parts come from tables: four of 256
// entries for A16 (one per byte of c) and sixteen for the bytes. For the same
// reason a run can be cut into lanes checked from 0 independently and joined:
// value(x + y) = A^|y|(value(x)) ^ value_from_0(y).

namespace {

constexpr std::size_t kSlice = 16;
constexpr std::size_t kLane = 256;

struct Tables {
    std::uint32_t byte[256];               // T
    std::uint32_t data[kSlice][256];       // data[k][b] = A^k(T[b])
    std::uint32_t state[4][256];           // state[j][v] = A^16(v << 8j)
    std::uint32_t shift1[4][256];          // A^M(v << 8j), M the lane length
    std::uint32_t shift2[4][256];          // A^2M(v << 8j)

    Tables() noexcept
    {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : (c >> 1);
            byte[i] = c;
        }
        for (std::uint32_t b = 0; b < 256; ++b) {
            std::uint32_t c = byte[b];
            for (std::size_t k = 0; k < kSlice; ++k) {
                data[k][b] = c;
                c = Step(c);
            }
        }
        for (int j = 0; j < 4; ++j)
            for (std::uint32_t v = 0; v < 256; ++v) {
                std::uint32_t c = v << (8 * j);
                for (std::size_t k = 0; k < kSlice; ++k)
                    c = Step(c);
                state[j][v] = c;
                for (std::size_t k = kSlice; k < kLane; ++k)
                    c = Step(c);
                shift1[j][v] = c;
                for (std::size_t k = 0; k < kLane; ++k)
                    c = Step(c);
                shift2[j][v] = c;
            }
    }

    // A: one step of the rule with a zero byte.
    std::uint32_t Step(std::uint32_t c) const noexcept
    {
        return byte[c & 0xFF] ^ ((c >> 6) & 0x00FFFFFFu);
    }
};

// Built once, on the first construction of a CChecksum.
const Tables& GetTables() noexcept
{
    static const Tables tables;
    return tables;
}

// A linear map of the value given by its four byte tables.
inline std::uint32_t Apply(const std::uint32_t (&map)[4][256], std::uint32_t c) noexcept
{
    return map[0][c & 0xFF] ^ map[1][(c >> 8) & 0xFF] ^ map[2][(c >> 16) & 0xFF] ^ map[3][c >> 24];
}

// The value after 16 more bytes.
inline std::uint32_t Fold16(const Tables& t, std::uint32_t c, const unsigned char* p) noexcept
{
    // Two 8-byte loads instead of sixteen byte loads.
    std::uint64_t lo, hi;
    std::memcpy(&lo, p, 8);
    std::memcpy(&hi, p + 8, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    lo = __builtin_bswap64(lo);
    hi = __builtin_bswap64(hi);
#endif
    return Apply(t.state, c) ^
           t.data[15][lo & 0xFF] ^ t.data[14][(lo >> 8) & 0xFF] ^ t.data[13][(lo >> 16) & 0xFF] ^
           t.data[12][(lo >> 24) & 0xFF] ^ t.data[11][(lo >> 32) & 0xFF] ^ t.data[10][(lo >> 40) & 0xFF] ^
           t.data[9][(lo >> 48) & 0xFF] ^ t.data[8][lo >> 56] ^
           t.data[7][hi & 0xFF] ^ t.data[6][(hi >> 8) & 0xFF] ^ t.data[5][(hi >> 16) & 0xFF] ^
           t.data[4][(hi >> 24) & 0xFF] ^ t.data[3][(hi >> 32) & 0xFF] ^ t.data[2][(hi >> 40) & 0xFF] ^
           t.data[1][(hi >> 48) & 0xFF] ^ t.data[0][hi >> 56];
}

#ifdef PELTO_AVX2

// With AVX2 the byte rule runs in 64 lanes at once: each lane takes kLane
// bytes of a block of 64 * kLane, and the lanes are joined as above. A lane's
// value is kept as four byte planes (plane j holds byte j of 32 lanes' values
// in one register), so the rule becomes byte operations: T[x] is
// TL[x & 15] ^ TH[x >> 4] (T is linear), two table look-ups by PSHUFB per
// plane, and c >> 6 & 0xFFFFFF takes each new byte from two old ones.
constexpr std::size_t kWideLanes = 64;
constexpr std::size_t kWideBlock = kWideLanes * kLane;

struct WideTables {
    __m256i low[4];   // byte j of T[n], n < 16, in both halves
    __m256i high[4];  // byte j of T[n << 4]
};

__attribute__((target("avx2"))) WideTables MakeWideTables(const Tables& t) noexcept
{
    WideTables w;
    for (int j = 0; j < 4; ++j) {
        unsigned char low[32], high[32];
        for (int n = 0; n < 16; ++n) {
            low[n] = low[n + 16] = static_cast<unsigned char>(t.byte[n] >> (8 * j));
            high[n] = high[n + 16] = static_cast<unsigned char>(t.byte[n << 4] >> (8 * j));
        }
        w.low[j] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(low));
        w.high[j] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(high));
    }
    return w;
}

// 32 lanes: the rows k and k + 16 of 16 share a register, one per half.
struct WideGroup {
    __m256i plane[4];
};

// Turns 16 registers of 16-byte rows (in each half) into 16 registers whose
// byte m is byte i of row m: the lanes' bytes for 16 steps.
__attribute__((target("avx2"), always_inline)) inline void Transpose(__m256i (&r)[16]) noexcept
{
    __m256i t[16], u[16];
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) {
        t[2 * i] = _mm256_unpacklo_epi8(r[2 * i], r[2 * i + 1]);
        t[2 * i + 1] = _mm256_unpackhi_epi8(r[2 * i], r[2 * i + 1]);
    }
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
        u[4 * i + 0] = _mm256_unpacklo_epi16(t[4 * i], t[4 * i + 2]);
        u[4 * i + 1] = _mm256_unpackhi_epi16(t[4 * i], t[4 * i + 2]);
        u[4 * i + 2] = _mm256_unpacklo_epi16(t[4 * i + 1], t[4 * i + 3]);
        u[4 * i + 3] = _mm256_unpackhi_epi16(t[4 * i + 1], t[4 * i + 3]);
    }
#pragma GCC unroll 2
    for (int h = 0; h < 2; ++h)
#pragma GCC unroll 4
        for (int g = 0; g < 4; ++g) {
            t[8 * h + 2 * g] = _mm256_unpacklo_epi32(u[8 * h + g], u[8 * h + 4 + g]);
            t[8 * h + 2 * g + 1] = _mm256_unpackhi_epi32(u[8 * h + g], u[8 * h + 4 + g]);
        }
#pragma GCC unroll 8
    for (int e = 0; e < 8; ++e) {
        r[2 * e] = _mm256_unpacklo_epi64(t[e], t[8 + e]);
        r[2 * e + 1] = _mm256_unpackhi_epi64(t[e], t[8 + e]);
    }
}

// Byte j of c >> 6 in every lane: the top two bits of byte j and the low six
// of byte j + 1.
__attribute__((target("avx2"), always_inline)) inline __m256i Shifted(__m256i byte, __m256i next) noexcept
{
    return _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi16(byte, 6), _mm256_set1_epi8(0x03)),
                           _mm256_and_si256(_mm256_slli_epi16(next, 2), _mm256_set1_epi8(static_cast<char>(0xFC))));
}

// Byte j of T[x] in every lane, from the nibbles of x.
__attribute__((target("avx2"), always_inline)) inline __m256i Looked(__m256i low, __m256i high, __m256i lo,
                                                                     __m256i hi) noexcept
{
    return _mm256_xor_si256(_mm256_shuffle_epi8(low, lo), _mm256_shuffle_epi8(high, hi));
}

// One step of the byte rule in every lane of a group, with the lanes' bytes d.
__attribute__((target("avx2"), always_inline)) inline void Step(const WideTables& w, WideGroup& g, __m256i d) noexcept
{
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i index = _mm256_xor_si256(g.plane[0], d);
    const __m256i lo = _mm256_and_si256(index, nibble);
    const __m256i hi = _mm256_and_si256(_mm256_srli_epi16(index, 4), nibble);
    const __m256i n0 = Shifted(g.plane[0], g.plane[1]);
    const __m256i n1 = Shifted(g.plane[1], g.plane[2]);
    const __m256i n2 = Shifted(g.plane[2], g.plane[3]);
    g.plane[0] = _mm256_xor_si256(Looked(w.low[0], w.high[0], lo, hi), n0);
    g.plane[1] = _mm256_xor_si256(Looked(w.low[1], w.high[1], lo, hi), n1);
    g.plane[2] = _mm256_xor_si256(Looked(w.low[2], w.high[2], lo, hi), n2);
    g.plane[3] = Looked(w.low[3], w.high[3], lo, hi);
}

// The lanes' bytes at offsets at..at+15 of group base (rows base + m and
// base + 16 + m), transposed.
__attribute__((target("avx2"), always_inline)) inline void LoadColumns(const unsigned char* base, std::size_t at,
                                                        __m256i (&r)[16]) noexcept
{
#pragma GCC unroll 16
    for (int m = 0; m < 16; ++m) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + m * kLane + at));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + (m + 16) * kLane + at));
        r[m] = _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
    }
    Transpose(r);
}

// Folds whole blocks of kWideBlock bytes; returns the value after them.
__attribute__((target("avx2"))) std::uint32_t FoldWide(const Tables& t, std::uint32_t c, const unsigned char* p,
                                                       std::size_t blocks) noexcept
{
    static const WideTables w = MakeWideTables(t);
    for (; blocks > 0; --blocks, p += kWideBlock) {
        WideGroup g[2];
        for (int j = 0; j < 4; ++j) {
            // Lane 0 starts from the value so far, every other lane from 0.
            g[0].plane[j] = _mm256_setr_epi8(static_cast<char>(c >> (8 * j)), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                             0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
            g[1].plane[j] = _mm256_setzero_si256();
        }
        // The lanes read 64 places at once, a pattern the processor does not
        // fetch ahead by itself: the next block is asked for now.
        if (blocks > 1)
            for (std::size_t at = 0; at < kWideBlock; at += 64)
                _mm_prefetch(reinterpret_cast<const char*>(p + kWideBlock + at), _MM_HINT_T0);
        // One group at a time: the planes and tables of one fill the registers.
        for (int k = 0; k < 2; ++k) {
            WideGroup group = g[k];
            for (std::size_t at = 0; at < kLane; at += 16) {
                __m256i d[16];
                LoadColumns(p + k * 32 * kLane, at, d);
#pragma GCC unroll 16
                for (int i = 0; i < 16; ++i)
                    Step(w, group, d[i]);
            }
            g[k] = group;
        }
        // Lane q of a group is its byte q; lanes in the order of the block.
        unsigned char planes[2][4][32];
        for (int j = 0; j < 4; ++j) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(planes[0][j]), g[0].plane[j]);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(planes[1][j]), g[1].plane[j]);
        }
        std::uint32_t value = 0;
        for (std::size_t lane = 0; lane < kWideLanes; ++lane) {
            const auto& q = planes[lane / 32];
            const std::size_t at = lane % 32;
            const std::uint32_t laneValue = q[0][at] | (q[1][at] << 8) | (q[2][at] << 16) |
                                            (static_cast<std::uint32_t>(q[3][at]) << 24);
            value = lane == 0 ? laneValue : Apply(t.shift1, value) ^ laneValue;
        }
        c = value;
    }
    return c;
}

#endif

} // namespace

CChecksum::CChecksum(std::uint32_t value) noexcept : m_nValue(value)
{
    GetTables();
}

const std::uint32_t* CChecksum::Table() noexcept
{
    return GetTables().byte;
}

void CChecksum::UpdateBytewise(const void* buffer, std::size_t count) noexcept
{
    const std::uint32_t* table = GetTables().byte;
    const auto* p = static_cast<const unsigned char*>(buffer);
    std::uint32_t c = m_nValue;
    for (std::size_t i = 0; i < count; ++i)
        c = table[(c ^ p[i]) & 0xFF] ^ ((c >> 6) & 0x00FFFFFFu);
    m_nValue = c;
}

void CChecksum::Update(const void* buffer, std::size_t count) noexcept
{
    const Tables& t = GetTables();
    const auto* p = static_cast<const unsigned char*>(buffer);
    std::uint32_t c = m_nValue;
#ifdef PELTO_AVX2
    if (count >= kWideBlock && HasAvx2()) {
        const std::size_t blocks = count / kWideBlock;
        c = FoldWide(t, c, p, blocks);
        p += blocks * kWideBlock;
        count -= blocks * kWideBlock;
    }
#endif
    // Three lanes of kLane bytes run as independent chains, so the processor
    // overlaps their table look-ups; the lanes are then joined by shifting
    // the earlier ones forward.
    while (count >= 3 * kLane) {
        std::uint32_t c0 = c, c1 = 0, c2 = 0;
        for (std::size_t i = 0; i < kLane; i += kSlice) {
            c0 = Fold16(t, c0, p + i);
            c1 = Fold16(t, c1, p + kLane + i);
            c2 = Fold16(t, c2, p + 2 * kLane + i);
        }
        c = Apply(t.shift2, c0) ^ Apply(t.shift1, c1) ^ c2;
        p += 3 * kLane;
        count -= 3 * kLane;
    }
    for (; count >= kSlice; count -= kSlice, p += kSlice)
        c = Fold16(t, c, p);
    for (; count > 0; --count, ++p)
        c = t.byte[(c ^ *p) & 0xFF] ^ ((c >> 6) & 0x00FFFFFFu);
    m_nValue = c;
}
