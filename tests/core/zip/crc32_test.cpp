#include "core/zip/crc32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dovrel {
namespace {

TEST(Crc32Test, KnownValue)
{
    const std::string check = "123456789";
    EXPECT_EQ(UpdateCrc32(0, reinterpret_cast<const unsigned char*>(check.data()), check.size()), 0xCBF43926u);
    EXPECT_EQ(UpdateCrc32(0, nullptr, 0), 0u);
}

// The folding takes 64 bytes at least and whole 16-byte blocks (256 where
// it is wide), the rest goes through the table: every length around those
// edges, through several wide rounds, at several
// alignments, from 0 or from an earlier piece's CRC, must agree with zlib.
TEST(Crc32Test, AgreesWithZlibAtEveryLengthAndAlignment)
{
    std::vector<unsigned char> bytes(1400);
    std::uint32_t seed = 12345;
    for (unsigned char& byte : bytes) {
        seed = seed * 1103515245 + 12345;
        byte = static_cast<unsigned char>(seed >> 16);
    }
    for (std::size_t length = 0; length <= 1300; ++length) {
        for (std::size_t offset = 0; offset < 16; offset += 5) {
            const std::uint32_t start = length % 3 == 0 ? 0 : static_cast<std::uint32_t>(length * 0x9E3779B9u);
            ASSERT_EQ(UpdateCrc32(start, bytes.data() + offset, length),
                      UpdateCrc32ByTable(start, bytes.data() + offset, length))
                << "length " << length << ", offset " << offset;
        }
    }
}

}  // namespace
}  // namespace dovrel
