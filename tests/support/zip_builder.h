#pragma once
// A byte-level zip writer for tests: every header field can be chosen, and
// every kind of damage a reader must survive can be made on purpose.
//
//   ZipBuilder b;
//   b.AddFile("ppt/media/image1.png", bytes, {.method = 8});
//   b.AddFolder("ppt/media/");
//   std::string zip = b.Build();
//
// Everything is little-endian and written exactly as asked: the builder
// never "fixes" an inconsistent choice, since the inconsistencies are what
// the tests are after.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dovrel::test {

// Default stamps: 1980-01-01 00:00:00 in DOS form.
inline constexpr std::uint16_t kDosDate1980 = 0x0021;

struct ZipEntryOptions {
    // 0 stored, 8 deflated (the builder compresses with raw deflate); any
    // other number is written as the method and the data stored as given.
    std::uint16_t method = 0;
    // The bytes placed in the archive as the entry's data, instead of the
    // content compressed by `method` (a damaged or foreign stream).
    std::optional<std::string> rawData;
    std::uint32_t externalAttributes = 0x81A40000;  // Unix regular file, rw-r--r--
    std::uint16_t versionMadeBy = 0x031E;           // Unix, 3.0
    std::uint16_t versionNeeded = 20;
    std::uint16_t flags = 0;  // general purpose flags (bit 3 is added by dataDescriptor)
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = kDosDate1980;
    std::string localExtra;
    std::string centralExtra;
    std::string comment;
    // Flag bit 3: the local header holds zeros for CRC and sizes, and a
    // descriptor with the real values follows the data.
    bool dataDescriptor = false;
    bool descriptorSignature = true;
    // Overrides of the computed values, in both headers.
    std::optional<std::uint32_t> crc;
    std::optional<std::uint32_t> compressedSize;
    std::optional<std::uint32_t> uncompressedSize;
    // Overrides in the local header alone (a local header that disagrees).
    std::optional<std::uint32_t> localCrc;
    std::optional<std::uint32_t> localCompressedSize;
    std::optional<std::uint32_t> localUncompressedSize;
    std::optional<std::uint16_t> localMethod;
    std::optional<std::uint16_t> localFlags;
    std::optional<std::string> localName;
    std::optional<std::uint16_t> localExtraLength;  // the length field alone
    std::optional<std::uint32_t> localSignature;
    // The central record points at the local header of an earlier entry
    // (by index) and no local record is written for this one: two entries
    // sharing their data.
    std::optional<std::size_t> reuseLocalOf;
    // The central record's local header offset, absolute.
    std::optional<std::uint32_t> localOffset;
};

struct ZipArchiveOptions {
    std::string prefix;  // bytes before the first local header
    std::string comment;
    std::optional<std::uint16_t> entriesOnDisk;  // end record counts
    std::optional<std::uint16_t> entriesTotal;
    std::optional<std::uint32_t> centralSize;
    std::optional<std::uint32_t> centralOffset;
    bool omitEndRecord = false;
};

class ZipBuilder {
public:
    // `content` is the entry's uncompressed data.
    ZipBuilder& AddFile(const std::string& name, const std::string& content, const ZipEntryOptions& options = {});
    // A folder entry: no data; unless other external attributes are given,
    // the Unix and DOS directory bits (0x41ED0010).
    ZipBuilder& AddFolder(const std::string& name, ZipEntryOptions options = {});

    std::string Build(const ZipArchiveOptions& archive = {}) const;
    void WriteTo(const std::string& path, const ZipArchiveOptions& archive = {}) const;

    // Offsets from the last Build: each entry's local header (where its
    // central record points) and the start of its data.
    const std::vector<std::uint32_t>& LocalOffsets() const { return localOffsets_; }
    const std::vector<std::uint32_t>& DataOffsets() const { return dataOffsets_; }

private:
    struct Entry {
        std::string name;
        std::string content;
        ZipEntryOptions options;
    };
    std::vector<Entry> entries_;
    mutable std::vector<std::uint32_t> localOffsets_;
    mutable std::vector<std::uint32_t> dataOffsets_;
};

std::string RawDeflate(const std::string& data, int level = 6);
std::uint32_t Crc32(const std::string& data);
std::uint16_t DosTime(int hour, int minute, int second);  // seconds rounded down to even
std::uint16_t DosDate(int year, int month, int day);

// One extra-field block: 2-byte ID, 2-byte size, data. `declaredSize`
// overrides the size field (a block that claims more than it holds).
std::string ExtraBlock(std::uint16_t id, const std::string& data, std::optional<std::uint16_t> declaredSize = {});
// The extended timestamp block ("UT"): flags, then one 4-byte value per
// value given (the caller matches them to the flags, or not, on purpose).
std::string ExtendedTimestamp(std::uint8_t flags, const std::vector<std::int32_t>& values,
                              std::optional<std::uint16_t> declaredSize = {});

std::string Le16(std::uint16_t value);
std::string Le32(std::uint32_t value);

}  // namespace dovrel::test
