#pragma once
// Little-endian numbers in file bytes (zip headers, compound files, Office
// drawing records, the drop target's stored settings), read and written.
// Reading in: at + 2 (or + 4) <= bytes.size(); callers check the bounds
// against what is really there before they read.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dovrel {

inline std::uint16_t ReadLe16(std::string_view bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1])
                                                                                  << 8);
}

inline std::uint32_t ReadLe32(std::string_view bytes, std::size_t at)
{
    return ReadLe16(bytes, at) | static_cast<std::uint32_t>(ReadLe16(bytes, at + 2)) << 16;
}

// The low `width` bytes (1 to 8) of value, appended to out.
inline void AppendLe(std::string& out, std::uint64_t value, int width)
{
    for (int i = 0; i < width; ++i) out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
}

// The same written over bytes from at: at + width <= bytes.size().
inline void WriteLe(std::string& bytes, std::size_t at, std::uint64_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}

inline void AppendLe16(std::string& out, std::uint16_t value) { AppendLe(out, value, 2); }
inline void AppendLe32(std::string& out, std::uint32_t value) { AppendLe(out, value, 4); }

}  // namespace dovrel
