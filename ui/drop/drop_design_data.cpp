#include "ui/drop/drop_design_data.h"

#include "core/base/little_endian.h"

namespace dovrel {

namespace {

// Stored order of the switches after the version.
constexpr DropKind kStoredOrder[] = {DropKind::Text, DropKind::Html, DropKind::Url, DropKind::Files};

}  // namespace

std::optional<DropSwitches> ParseDropDesignData(const std::string& bytes)
{
    DropSwitches switches;
    if (bytes.empty()) return switches;
    if (bytes.size() < kDropDesignDataSize) return std::nullopt;
    // Read unsigned: a negative version is as unknown as one above 1.
    if (ReadLe32(bytes, 0) > static_cast<std::uint32_t>(kDropDesignDataVersion)) return std::nullopt;
    std::size_t offset = 4;
    for (DropKind kind : kStoredOrder) {
        switches.Set(kind, ReadLe32(bytes, offset) != 0);
        offset += 4;
    }
    return switches;
}

std::string WriteDropDesignData(const DropSwitches& switches)
{
    std::string bytes;
    bytes.reserve(kDropDesignDataSize);
    AppendLe32(bytes, kDropDesignDataVersion);
    for (DropKind kind : kStoredOrder) AppendLe32(bytes, switches[kind] ? 1 : 0);
    return bytes;
}

}  // namespace dovrel
