#include "tests/support/zip_builder.h"

#include <zlib.h>

#include <stdexcept>

#include "core/base/little_endian.h"
#include "tests/support/temp_folder.h"

namespace dovrel::test {

std::string Le16(std::uint16_t value)
{
    std::string bytes;
    AppendLe16(bytes, value);
    return bytes;
}

std::string Le32(std::uint32_t value)
{
    std::string bytes;
    AppendLe32(bytes, value);
    return bytes;
}

std::string RawDeflate(const std::string& data, int level)
{
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    int result = deflate(&stream, Z_FINISH);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(stream.total_out);
    return out;
}

std::uint32_t Crc32(const std::string& data)
{
    return static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::uint16_t DosTime(int hour, int minute, int second)
{
    return static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

std::uint16_t DosDate(int year, int month, int day)
{
    return static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

std::string ExtraBlock(std::uint16_t id, const std::string& data, std::optional<std::uint16_t> declaredSize)
{
    return Le16(id) + Le16(declaredSize.value_or(static_cast<std::uint16_t>(data.size()))) + data;
}

std::string ExtendedTimestamp(std::uint8_t flags, const std::vector<std::int32_t>& values,
                              std::optional<std::uint16_t> declaredSize)
{
    std::string data(1, static_cast<char>(flags));
    for (std::int32_t value : values) data += Le32(static_cast<std::uint32_t>(value));
    return ExtraBlock(0x5455, data, declaredSize);
}

ZipBuilder& ZipBuilder::AddFile(const std::string& name, const std::string& content, const ZipEntryOptions& options)
{
    entries_.push_back({name, content, options});
    return *this;
}

ZipBuilder& ZipBuilder::AddFolder(const std::string& name, ZipEntryOptions options)
{
    if (options.externalAttributes == ZipEntryOptions{}.externalAttributes)
        options.externalAttributes = 0x41ED0010;  // Unix drwxr-xr-x and the DOS directory flag
    entries_.push_back({name, "", options});
    return *this;
}

std::string ZipBuilder::Build(const ZipArchiveOptions& archive) const
{
    std::string out = archive.prefix;
    std::string central;
    localOffsets_.assign(entries_.size(), 0);
    dataOffsets_.assign(entries_.size(), 0);

    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        const ZipEntryOptions& o = entry.options;

        std::string data;
        if (o.rawData)
            data = *o.rawData;
        else if (o.method == 8)
            data = RawDeflate(entry.content);
        else
            data = entry.content;

        std::uint16_t flags = static_cast<std::uint16_t>(o.flags | (o.dataDescriptor ? 0x0008 : 0));
        std::uint32_t crc = o.crc.value_or(Crc32(entry.content));
        std::uint32_t compressedSize = o.compressedSize.value_or(static_cast<std::uint32_t>(data.size()));
        std::uint32_t uncompressedSize = o.uncompressedSize.value_or(static_cast<std::uint32_t>(entry.content.size()));

        std::uint32_t localOffset;
        if (o.reuseLocalOf) {
            localOffset = localOffsets_.at(*o.reuseLocalOf);
            dataOffsets_[i] = dataOffsets_.at(*o.reuseLocalOf);
        } else {
            localOffset = static_cast<std::uint32_t>(out.size());
            const std::string& localName = o.localName ? *o.localName : entry.name;
            out += Le32(o.localSignature.value_or(0x04034B50));
            out += Le16(o.versionNeeded);
            out += Le16(o.localFlags.value_or(flags));
            out += Le16(o.localMethod.value_or(o.method));
            out += Le16(o.dosTime);
            out += Le16(o.dosDate);
            out += Le32(o.localCrc.value_or(o.dataDescriptor ? 0 : crc));
            out += Le32(o.localCompressedSize.value_or(o.dataDescriptor ? 0 : compressedSize));
            out += Le32(o.localUncompressedSize.value_or(o.dataDescriptor ? 0 : uncompressedSize));
            out += Le16(static_cast<std::uint16_t>(localName.size()));
            out += Le16(o.localExtraLength.value_or(static_cast<std::uint16_t>(o.localExtra.size())));
            out += localName;
            out += o.localExtra;
            dataOffsets_[i] = static_cast<std::uint32_t>(out.size());
            out += data;
            if (o.dataDescriptor) {
                if (o.descriptorSignature) out += Le32(0x08074B50);
                out += Le32(crc) + Le32(compressedSize) + Le32(uncompressedSize);
            }
        }
        localOffsets_[i] = o.localOffset.value_or(localOffset);

        central += Le32(0x02014B50);
        central += Le16(o.versionMadeBy);
        central += Le16(o.versionNeeded);
        central += Le16(flags);
        central += Le16(o.method);
        central += Le16(o.dosTime);
        central += Le16(o.dosDate);
        central += Le32(crc);
        central += Le32(compressedSize);
        central += Le32(uncompressedSize);
        central += Le16(static_cast<std::uint16_t>(entry.name.size()));
        central += Le16(static_cast<std::uint16_t>(o.centralExtra.size()));
        central += Le16(static_cast<std::uint16_t>(o.comment.size()));
        central += Le16(0);  // disk number
        central += Le16(0);  // internal attributes
        central += Le32(o.externalAttributes);
        central += Le32(localOffsets_[i] - static_cast<std::uint32_t>(archive.prefix.size()));
        central += entry.name;
        central += o.centralExtra;
        central += o.comment;
    }

    std::uint32_t centralOffset = static_cast<std::uint32_t>(out.size() - archive.prefix.size());
    out += central;
    if (!archive.omitEndRecord) {
        auto count = static_cast<std::uint16_t>(entries_.size());
        out += Le32(0x06054B50);
        out += Le16(0);  // this disk
        out += Le16(0);  // disk of the central directory
        out += Le16(archive.entriesOnDisk.value_or(count));
        out += Le16(archive.entriesTotal.value_or(count));
        out += Le32(archive.centralSize.value_or(static_cast<std::uint32_t>(central.size())));
        out += Le32(archive.centralOffset.value_or(centralOffset));
        out += Le16(static_cast<std::uint16_t>(archive.comment.size()));
        out += archive.comment;
    }
    return out;
}

void ZipBuilder::WriteTo(const std::string& path, const ZipArchiveOptions& archive) const
{
    WriteFileBytes(path, Build(archive));
}

}  // namespace dovrel::test
