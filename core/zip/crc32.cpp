#include "core/zip/crc32.h"

#include <zlib.h>

#include <climits>

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#define DOVREL_CRC32_FOLDING 1
#include <immintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#define DOVREL_CARRYLESS_TARGET
#else
#include <cpuid.h>
#define DOVREL_CARRYLESS_TARGET __attribute__((target("pclmul,sse4.1")))
#endif
#endif

namespace dovrel {

namespace {

#if DOVREL_CRC32_FOLDING
constexpr std::size_t kFoldMinimum = 64;

bool HasCarrylessMultiply()
{
    constexpr unsigned kPclmul = 1u << 1, kSse41 = 1u << 19;  // CPUID 1, ECX
#if defined(_MSC_VER) && !defined(__clang__)
    int registers[4] = {};
    __cpuid(registers, 1);
    const unsigned ecx = static_cast<unsigned>(registers[2]);
#else
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
#endif
    return (ecx & kPclmul) != 0 && (ecx & kSse41) != 0;
}

DOVREL_CARRYLESS_TARGET inline __m128i Load(const unsigned char* at)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// x's halves times the constants' low (0x00) and high (0x11) ones, plus next.
DOVREL_CARRYLESS_TARGET inline __m128i Fold(__m128i x, __m128i k, __m128i next)
{
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

// Folding by carry-less multiplication, after Intel's "Fast CRC Computation
// for Generic Polynomials Using PCLMULQDQ Instruction" (Gopal et al., 2009),
// for the bit-reflected polynomial 0x04C11DB7. The constants are x^k mod P
// for the folding distances (512+64, 512, 128+64, 128, 64 bits) and the
// Barrett reduction's P and floor(x^64 / P), all bit-reflected.
// in: state, the CRC register (the CRC-32 before its final inversion);
// count >= 64 and a multiple of 16.
DOVREL_CARRYLESS_TARGET std::uint32_t FoldCrc32(std::uint32_t state, const unsigned char* bytes, std::size_t count)
{
    const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    const __m128i k5 = _mm_set_epi64x(0, 0x0163cd6124);
    const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);

    __m128i x1 = _mm_xor_si128(Load(bytes), _mm_cvtsi32_si128(static_cast<int>(state)));
    __m128i x2 = Load(bytes + 16);
    __m128i x3 = Load(bytes + 32);
    __m128i x4 = Load(bytes + 48);
    bytes += 64;
    count -= 64;
    while (count >= 64) {
        x1 = Fold(x1, k1k2, Load(bytes));
        x2 = Fold(x2, k1k2, Load(bytes + 16));
        x3 = Fold(x3, k1k2, Load(bytes + 32));
        x4 = Fold(x4, k1k2, Load(bytes + 48));
        bytes += 64;
        count -= 64;
    }
    x1 = Fold(x1, k3k4, x2);
    x1 = Fold(x1, k3k4, x3);
    x1 = Fold(x1, k3k4, x4);
    while (count >= 16) {
        x1 = Fold(x1, k3k4, Load(bytes));
        bytes += 16;
        count -= 16;
    }

    // 128 bits to 64, then to 32 by Barrett reduction.
    __m128i x = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, k3k4, 0x10));
    x = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x, low32), k5, 0x00), _mm_srli_si128(x, 4));
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x, low32), poly, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), poly, 0x00);
    return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x, t), 1));
}
#endif

}  // namespace

std::uint32_t UpdateCrc32ByTable(std::uint32_t crc, const unsigned char* bytes, std::size_t count)
{
    while (count > 0) {
        const uInt piece = count > UINT_MAX ? UINT_MAX : static_cast<uInt>(count);
        crc = static_cast<std::uint32_t>(crc32(crc, bytes, piece));
        bytes += piece;
        count -= piece;
    }
    return crc;
}

std::uint32_t UpdateCrc32(std::uint32_t crc, const unsigned char* bytes, std::size_t count)
{
#if DOVREL_CRC32_FOLDING
    static const bool folding = HasCarrylessMultiply();
    if (folding && count >= kFoldMinimum) {
        const std::size_t folded = count & ~static_cast<std::size_t>(15);
        crc = ~FoldCrc32(~crc, bytes, folded);
        bytes += folded;
        count -= folded;
    }
#endif
    return UpdateCrc32ByTable(crc, bytes, count);
}

}  // namespace dovrel
