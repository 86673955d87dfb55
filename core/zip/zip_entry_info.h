#pragma once
// What the reader learns about one archive entry, and the rules that turn
// the archive's raw fields into Win32 attributes and file times.

#include <cstdint>
#include <string>

#include "core/text/text.h"

namespace dovrel {

struct ZipEntryInfo {
    std::int32_t index = -1;  // position in the central directory, from 0
    // The stored name, byte for byte ("/" separators, no conversion); empty
    // when nameTooLong.
    Text name;
    bool nameTooLong = false;  // the stored name has 260 bytes or more
    Text nameStart;            // when nameTooLong: its first 259 bytes, to tell which folder it lies in
    std::uint32_t attributes = 0x80;
    // Win32 file times (100 ns since 1601 UTC); 0 leaves a file's time as is.
    std::uint64_t accessTime = 0;
    std::uint64_t creationTime = 0;
    std::uint64_t modificationTime = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint32_t crc = 0;  // the central directory's CRC-32
    std::uint16_t method = 0;
    std::uint16_t flags = 0;  // general purpose flags
    // The archive bytes the entry occupies: its local header up to the end
    // of its data.
    std::uint64_t recordStart = 0;
    std::uint64_t recordEnd = 0;
    std::uint64_t dataStart = 0;  // where the entry's data begins

    // The directory bit, or a name ending in "/": some writers (Java's
    // among them) store no attributes for a folder entry.
    bool IsFolder() const { return (attributes & 0x10) != 0 || (!name.empty() && name.back() == '/'); }
};

// Win32 attribute bits for an entry's external attributes: starts from
// NORMAL; a Unix or DOS directory bit makes it NORMAL|DIRECTORY; the DOS
// archive, hidden and system bits carry over; READONLY when the Unix owner
// write bit is clear or the DOS read-only bit is set.
std::uint32_t EntryAttributes(std::uint32_t externalAttributes);

// The DOS date (high 16 bits) and time (low 16 bits) as a file time, the
// stored local time taken as UTC. 0 when the stamp is not a valid date.
std::uint64_t DosStampToFileTime(std::uint32_t dosStamp);

// Replaces the times that an extended timestamp block ("UT") in the local
// extra field carries. Reads nothing past the field or past the block; a
// negative value (before 1970) leaves that time unchanged.
void ApplyExtendedTimestamp(const std::string& localExtra, ZipEntryInfo& info);

}  // namespace dovrel
