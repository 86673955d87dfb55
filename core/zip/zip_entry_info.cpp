#include "core/zip/zip_entry_info.h"

#include <algorithm>

#include "core/base/little_endian.h"

namespace dovrel {

namespace {

constexpr std::uint16_t kExtendedTimestampId = 0x5455;  // "UT"
// Win32's FILE_ATTRIBUTE_* bits; this file parses bytes only and builds
// without windows.h.
constexpr std::uint32_t kReadOnly = 0x01, kHidden = 0x02, kSystem = 0x04, kDirectory = 0x10, kArchive = 0x20,
                        kNormal = 0x80;
constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;
constexpr std::uint64_t kFileTimeUnitsPerSecond = 10000000ULL;

}  // namespace

std::uint32_t EntryAttributes(std::uint32_t external)
{
    std::uint32_t attributes = kNormal;
    if (external & 0x40000000 || external & 0x10) attributes = kNormal | kDirectory;
    if (external & 0x20) attributes |= kArchive;
    if (external & 0x02) attributes |= kHidden;
    if (!(external & 0x00800000) || external & 0x01) attributes |= kReadOnly;
    if (external & 0x04) attributes |= kSystem;
    return attributes;
}

void ApplyExtendedTimestamp(const std::string& extra, ZipEntryInfo& info)
{
    const std::size_t length = extra.size();
    std::size_t offset = 0;
    while (offset + 4 < length) {
        std::uint16_t id = ReadLe16(extra, offset);
        std::size_t dataSize = ReadLe16(extra, offset + 2);
        if (id == kExtendedTimestampId) {
            const std::size_t dataStart = offset + 4;
            const std::size_t dataEnd = std::min(dataStart + dataSize, length);
            if (dataStart >= dataEnd) return;
            const unsigned flags = static_cast<unsigned char>(extra[dataStart]);
            std::uint64_t* const times[] = {&info.modificationTime, &info.accessTime, &info.creationTime};
            std::size_t at = dataStart + 1;
            for (unsigned bit = 0; bit < 3; ++bit) {
                if (!(flags & (1u << bit))) continue;
                if (at + 4 > dataEnd) return;  // the block ends before this value
                auto seconds = static_cast<std::int32_t>(ReadLe32(extra, at));
                if (seconds >= 0)
                    *times[bit] = kUnixEpochAsFileTime + static_cast<std::uint64_t>(seconds) * kFileTimeUnitsPerSecond;
                at += 4;
            }
            return;
        }
        offset += 4 + dataSize;
    }
}

}  // namespace dovrel
