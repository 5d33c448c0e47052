#include "archive/Checksum.h"

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
