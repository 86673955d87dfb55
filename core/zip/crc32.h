#pragma once
// CRC-32 as zip stores it (zlib's crc32: start from 0, feed the bytes in
// any number of pieces). On a processor with carry-less multiplication the
// bulk of the bytes is folded 64 at a time, several times faster than
// zlib's table loop, and 256 at a time where it works on 512-bit registers
// (three times faster again); elsewhere zlib's crc32 does it all.

#include <cstddef>
#include <cstdint>

namespace dovrel {

// in: crc, 0 or the answer for the bytes before these. out: the CRC-32 of
// all of them.
std::uint32_t UpdateCrc32(std::uint32_t crc, const unsigned char* bytes, std::size_t count);

// Always zlib's loop, to check the folding against.
std::uint32_t UpdateCrc32ByTable(std::uint32_t crc, const unsigned char* bytes, std::size_t count);

}  // namespace dovrel
