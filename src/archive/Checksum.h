#pragma once
// The archive checksum: a running 32-bit value over the expanded bytes of a
// member, built on the reflected CRC-32 table (polynomial 0xEDB88320) but
// shifting the value by 6 bits per byte instead of 8 and with no final
// inversion, so it is not the standard CRC-32. Archives carry values computed
// this way. Start value 0; zero bytes leave 0 at 0.
#include <cstddef>
#include <cstdint>

class CChecksum {
public:
    // Builds the process-wide tables on the first construction; the start
    // value is stored as given.
    explicit CChecksum(std::uint32_t value = 0) noexcept;

    CChecksum& operator=(std::uint32_t value) noexcept { m_nValue = value; return *this; }
    operator std::uint32_t() const noexcept { return m_nValue; }

    // Folds count bytes into the value. Long runs go 16 bytes at a time
    // through tables derived from the byte rule, and runs of 16 KB and more
    // through 64 lanes at once where the processor has AVX2; the result is
    // the same.
    void Update(const void* buffer, std::size_t count) noexcept;
    // The byte rule itself: c = T[(c ^ b) & 0xFF] ^ ((c >> 6) & 0x00FFFFFF).
    void UpdateBytewise(const void* buffer, std::size_t count) noexcept;

    // The 256-entry table T of the byte rule.
    static const std::uint32_t* Table() noexcept;

    std::uint32_t m_nValue;
};
