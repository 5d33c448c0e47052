#pragma once
// Where GCC can build AVX2 code (PELTO_AVX2), whether this processor runs it:
// the checksum and Adler-32 take their wide paths only then.
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <immintrin.h>
#define PELTO_AVX2 1

inline bool HasAvx2() noexcept
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif
