#include "ui/drop/drop_design_data.h"

namespace dovrel {

namespace {

// Stored order of the switches after the version.
constexpr DropKind kStoredOrder[] = {DropKind::Text, DropKind::Html, DropKind::Url, DropKind::Files};

std::uint32_t ReadLittleEndian32(const std::string& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
    return value;
}

void AppendLittleEndian32(std::string& bytes, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::optional<DropSwitches> ParseDropDesignData(const std::string& bytes)
{
    DropSwitches switches;
    if (bytes.empty()) return switches;
    if (bytes.size() < kDropDesignDataSize) return std::nullopt;
    // Read unsigned: a negative version is as unknown as one above 1.
    if (ReadLittleEndian32(bytes, 0) > static_cast<std::uint32_t>(kDropDesignDataVersion)) return std::nullopt;
    std::size_t offset = 4;
    for (DropKind kind : kStoredOrder) {
        switches.Set(kind, ReadLittleEndian32(bytes, offset) != 0);
        offset += 4;
    }
    return switches;
}

std::string WriteDropDesignData(const DropSwitches& switches)
{
    std::string bytes;
    bytes.reserve(kDropDesignDataSize);
    AppendLittleEndian32(bytes, kDropDesignDataVersion);
    for (DropKind kind : kStoredOrder) AppendLittleEndian32(bytes, switches[kind] ? 1 : 0);
    return bytes;
}

}  // namespace dovrel
