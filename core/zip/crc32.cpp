#include "core/zip/crc32.h"

#include <zlib.h>

#include <climits>

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#define DOVREL_CRC32_FOLDING 1
#include <immintrin.h>
#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#define DOVREL_CARRYLESS_TARGET
#define DOVREL_WIDE_CARRYLESS_TARGET
#else
#include <cpuid.h>
#define DOVREL_CARRYLESS_TARGET __attribute__((target("pclmul,sse4.1")))
#define DOVREL_WIDE_CARRYLESS_TARGET __attribute__((target("pclmul,sse4.1,avx512f,vpclmulqdq")))
#endif
#endif

namespace dovrel {

namespace {

#if DOVREL_CRC32_FOLDING
constexpr std::size_t kFoldMinimum = 64;

constexpr std::size_t kWideBlock = 256;  // four 512-bit registers

struct CpuidRegisters {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
};

CpuidRegisters Cpuid(unsigned leaf)
{
    CpuidRegisters registers;
#if defined(_MSC_VER) && !defined(__clang__)
    int values[4] = {};
    __cpuidex(values, static_cast<int>(leaf), 0);
    registers = {static_cast<unsigned>(values[0]), static_cast<unsigned>(values[1]), static_cast<unsigned>(values[2]),
                 static_cast<unsigned>(values[3])};
#else
    if (leaf > __get_cpuid_max(0, nullptr)) return registers;
    __cpuid_count(leaf, 0, registers.eax, registers.ebx, registers.ecx, registers.edx);
#endif
    return registers;
}

bool HasCarrylessMultiply()
{
    constexpr unsigned kPclmul = 1u << 1, kSse41 = 1u << 19;  // CPUID 1, ECX
    const unsigned ecx = Cpuid(1).ecx;
    return (ecx & kPclmul) != 0 && (ecx & kSse41) != 0;
}

// The 512-bit carry-less multiply, and a system that keeps the 512-bit
// registers across thread switches (XCR0: SSE, AVX and the three AVX-512
// states). Asked only where HasCarrylessMultiply holds.
bool HasWideCarrylessMultiply()
{
    constexpr unsigned kOsxsave = 1u << 27;     // CPUID 1, ECX
    constexpr unsigned kAvx512f = 1u << 16;     // CPUID 7, EBX
    constexpr unsigned kVpclmulqdq = 1u << 10;  // CPUID 7, ECX
    constexpr unsigned long long kZmmStates = 0xE6;
    if ((Cpuid(1).ecx & kOsxsave) == 0) return false;
    const CpuidRegisters features = Cpuid(7);
    if ((features.ebx & kAvx512f) == 0 || (features.ecx & kVpclmulqdq) == 0) return false;
#if defined(_MSC_VER) && !defined(__clang__)
    const unsigned long long xcr0 = _xgetbv(0);
#else
    unsigned low = 0, high = 0;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    const unsigned long long xcr0 = (static_cast<unsigned long long>(high) << 32) | low;
#endif
    return (xcr0 & kZmmStates) == kZmmStates;
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

DOVREL_WIDE_CARRYLESS_TARGET inline __m512i LoadWide(const unsigned char* at) { return _mm512_loadu_si512(at); }

// Fold for each 128-bit lane; 0x96 is the three-way exclusive or.
DOVREL_WIDE_CARRYLESS_TARGET inline __m512i FoldWide(__m512i x, __m512i k, __m512i next)
{
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(x, k, 0x00), _mm512_clmulepi64_epi128(x, k, 0x11), next,
                                     0x96);
}

// The same folding 256 bytes a round in four 512-bit registers, each four
// 128-bit lanes apart by 512 bits; the registers are folded into the last
// and its lanes handed on. The round's constants are the reflected
// x^(2048+32) and x^(2048-32) mod P, shifted by one, as below for 512.
// Nothing here may be kept on the stack: 64-bit MinGW does not align it
// for 512-bit spills.
// in: state, the CRC register; count >= 256. Returns the bytes folded (a
// multiple of 256); lanes: the four 128-bit lanes over the last 64 of them.
DOVREL_WIDE_CARRYLESS_TARGET std::size_t FoldCrc32Wide(std::uint32_t state, const unsigned char* bytes,
                                                       std::size_t count, __m128i lanes[4])
{
    const __m512i k2048 = _mm512_set_epi64(0x01322d1430, 0x011542778a, 0x01322d1430, 0x011542778a, 0x01322d1430,
                                           0x011542778a, 0x01322d1430, 0x011542778a);
    const __m512i k512 = _mm512_set_epi64(0x01c6e41596, 0x0154442bd4, 0x01c6e41596, 0x0154442bd4, 0x01c6e41596,
                                          0x0154442bd4, 0x01c6e41596, 0x0154442bd4);
    __m512i z1 = _mm512_xor_si512(
        LoadWide(bytes), _mm512_inserti32x4(_mm512_setzero_si512(), _mm_cvtsi32_si128(static_cast<int>(state)), 0));
    __m512i z2 = LoadWide(bytes + 64);
    __m512i z3 = LoadWide(bytes + 128);
    __m512i z4 = LoadWide(bytes + 192);
    std::size_t folded = kWideBlock;
    for (; count - folded >= kWideBlock; folded += kWideBlock) {
        z1 = FoldWide(z1, k2048, LoadWide(bytes + folded));
        z2 = FoldWide(z2, k2048, LoadWide(bytes + folded + 64));
        z3 = FoldWide(z3, k2048, LoadWide(bytes + folded + 128));
        z4 = FoldWide(z4, k2048, LoadWide(bytes + folded + 192));
    }
    z4 = FoldWide(FoldWide(FoldWide(z1, k512, z2), k512, z3), k512, z4);
    lanes[0] = _mm512_maskz_extracti32x4_epi32(0xF, z4, 0);
    lanes[1] = _mm512_maskz_extracti32x4_epi32(0xF, z4, 1);
    lanes[2] = _mm512_maskz_extracti32x4_epi32(0xF, z4, 2);
    lanes[3] = _mm512_maskz_extracti32x4_epi32(0xF, z4, 3);
    return folded;
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

    static const bool wide = HasWideCarrylessMultiply();
    __m128i x1, x2, x3, x4;
    if (wide && count >= kWideBlock) {
        __m128i lanes[4];
        const std::size_t folded = FoldCrc32Wide(state, bytes, count, lanes);
        x1 = lanes[0];
        x2 = lanes[1];
        x3 = lanes[2];
        x4 = lanes[3];
        bytes += folded;
        count -= folded;
    } else {
        x1 = _mm_xor_si128(Load(bytes), _mm_cvtsi32_si128(static_cast<int>(state)));
        x2 = Load(bytes + 16);
        x3 = Load(bytes + 32);
        x4 = Load(bytes + 48);
        bytes += 64;
        count -= 64;
    }
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
