#include "core/compound/office_art.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/base/little_endian.h"

namespace dovrel {

namespace {

constexpr std::uint16_t kDrawingGroup = 0xF000;
constexpr std::uint16_t kBlipStore = 0xF001;
constexpr std::uint16_t kStoreEntry = 0xF007;
constexpr std::size_t kUidSize = 16;
constexpr std::size_t kMetafileHeaderSize = 34;
constexpr std::size_t kStoreEntryFixedSize = 36;
constexpr std::size_t kPictHeaderSize = 512;

std::int32_t S32(std::string_view b, std::size_t at) { return static_cast<std::int32_t>(ReadLe32(b, at)); }

enum class Form { Bitmap, Metafile, Dib };

struct BlipKind {
    std::uint16_t type;
    std::uint16_t instance;  // with one unique id; one more means two ids
    const char* extension;
    Form form;
};

constexpr BlipKind kBlipKinds[] = {
    {0xF01A, 0x3D4, "emf", Form::Metafile},  {0xF01B, 0x216, "wmf", Form::Metafile},
    {0xF01C, 0x542, "pict", Form::Metafile}, {0xF01D, 0x46A, "jpeg", Form::Bitmap},
    {0xF01D, 0x6E2, "jpeg", Form::Bitmap},   {0xF02A, 0x6E2, "jpeg", Form::Bitmap},
    {0xF01E, 0x6E0, "png", Form::Bitmap},    {0xF01F, 0x7A8, "bmp", Form::Dib},
    {0xF029, 0x6E4, "tiff", Form::Bitmap},
};

// Inflates a zlib stream into at most `limit` bytes; nothing when the data
// is damaged or ends before the stream does.
std::optional<std::string> Inflate(std::string_view packed, std::uint32_t limit)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return std::nullopt;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = static_cast<uInt>(packed.size());
    std::string out;
    int status = Z_OK;
    while (status == Z_OK && out.size() < limit) {
        const std::size_t have = out.size();
        const std::size_t room = std::min<std::size_t>(limit - have, 1 << 16);
        out.resize(have + room);
        z.next_out = reinterpret_cast<Bytef*>(out.data() + have);
        z.avail_out = static_cast<uInt>(room);
        status = inflate(&z, Z_NO_FLUSH);
        out.resize(have + room - z.avail_out);
        if (status == Z_BUF_ERROR && z.avail_in == 0) break;  // input ended early
    }
    inflateEnd(&z);
    // Reaching the stated size is enough: whatever follows is not the picture's.
    if (status == Z_STREAM_END || out.size() == limit) return out;
    return std::nullopt;
}

std::int16_t Clamp16(std::int32_t value)
{
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(value, -32768, 32767));
}

// The placeable header that a stored Windows metafile lacks, from the bounds
// (logical units) and size (EMU, 914400 an inch) in the BLIP's header.
std::string PlaceableHeader(std::string_view header)
{
    const std::int32_t left = S32(header, 4), top = S32(header, 8), right = S32(header, 12), bottom = S32(header, 16);
    const std::int32_t widthEmu = S32(header, 20);
    std::int64_t perInch = 1440;
    if (widthEmu > 0 && right > left) perInch = (static_cast<std::int64_t>(right) - left) * 914400 / widthEmu;
    perInch = std::clamp<std::int64_t>(perInch, 1, 65535);

    std::string placeable;
    AppendLe32(placeable, 0x9AC6CDD7);
    AppendLe16(placeable, 0);  // handle
    for (std::int32_t side : {left, top, right, bottom})
        AppendLe16(placeable, static_cast<std::uint16_t>(Clamp16(side)));
    AppendLe16(placeable, static_cast<std::uint16_t>(perInch));
    AppendLe32(placeable, 0);
    std::uint16_t checksum = 0;
    for (std::size_t at = 0; at < placeable.size(); at += 2) checksum ^= ReadLe16(placeable, at);
    AppendLe16(placeable, checksum);
    return placeable;
}

std::optional<std::string> MetafileBytes(const BlipKind& kind, std::string_view header, std::string_view rest)
{
    const std::uint32_t statedSize = ReadLe32(header, 0);
    const std::uint32_t savedSize = ReadLe32(header, 28);
    const unsigned char compression = static_cast<unsigned char>(header[32]);
    if (savedSize > rest.size() || statedSize == 0 || statedSize > kMetafileLimit) return std::nullopt;
    std::optional<std::string> data;
    if (compression == 0x00) {
        data = Inflate(rest.substr(0, savedSize), statedSize);
    } else if (compression == 0xFE) {
        data = std::string(rest.substr(0, std::min(savedSize, statedSize)));
    }
    if (!data || data->empty()) return std::nullopt;
    if (kind.type == 0xF01B && !(data->size() >= 4 && ReadLe32(*data, 0) == 0x9AC6CDD7)) {
        return PlaceableHeader(header) + *data;
    }
    if (kind.type == 0xF01C) return std::string(kPictHeaderSize, '\0') + *data;
    return data;
}

// A device-independent bitmap with the file header a .bmp needs.
std::optional<std::string> BitmapFileBytes(std::string_view dib)
{
    if (dib.size() < 12) return std::nullopt;
    const std::uint32_t infoSize = ReadLe32(dib, 0);
    if (infoSize < 12 || infoSize > dib.size()) return std::nullopt;
    std::uint64_t palette = 0;
    if (infoSize == 12) {  // the old core header: three-byte colours
        const std::uint16_t bits = ReadLe16(dib, 10);
        if (bits <= 8) palette = (std::uint64_t{1} << bits) * 3;
    } else {
        if (infoSize < 40) return std::nullopt;
        const std::uint16_t bits = ReadLe16(dib, 14);
        const std::uint32_t compression = ReadLe32(dib, 16);
        const std::uint32_t used = ReadLe32(dib, 32);
        palette = used != 0 ? std::uint64_t{used} * 4 : bits <= 8 ? (std::uint64_t{1} << bits) * 4 : 0;
        if (infoSize == 40 && (compression == 3 || compression == 6)) palette += compression == 3 ? 12 : 16;
    }
    const std::uint64_t bitsOffset = 14 + infoSize + palette;
    if (bitsOffset > 14 + dib.size() || 14 + dib.size() > 0xFFFFFFFFu) return std::nullopt;
    std::string file = "BM";
    AppendLe32(file, static_cast<std::uint32_t>(14 + dib.size()));
    AppendLe32(file, 0);
    AppendLe32(file, static_cast<std::uint32_t>(bitsOffset));
    file.append(dib);
    return file;
}

}  // namespace

RecordHeader ParseRecordHeader(std::string_view eight)
{
    RecordHeader header;
    const std::uint16_t versionAndInstance = ReadLe16(eight, 0);
    header.version = versionAndInstance & 0xF;
    header.instance = versionAndInstance >> 4;
    header.type = ReadLe16(eight, 2);
    header.length = ReadLe32(eight, 4);
    return header;
}

std::optional<RecordHeader> RecordAt(std::string_view bytes, std::size_t offset)
{
    if (offset > bytes.size() || bytes.size() - offset < kRecordHeaderSize) return std::nullopt;
    RecordHeader header = ParseRecordHeader(bytes.substr(offset, kRecordHeaderSize));
    if (header.length > bytes.size() - offset - kRecordHeaderSize) return std::nullopt;
    return header;
}

bool IsBlipType(std::uint16_t type) { return type >= 0xF018 && type <= 0xF117; }

std::optional<Picture> PictureFromBlip(std::string_view record)
{
    const std::optional<RecordHeader> header = RecordAt(record, 0);
    if (!header) return std::nullopt;
    const BlipKind* kind = nullptr;
    for (const BlipKind& candidate : kBlipKinds) {
        if (candidate.type == header->type && (header->instance & ~1u) == candidate.instance) kind = &candidate;
    }
    if (!kind) return std::nullopt;
    const std::string_view body = record.substr(kRecordHeaderSize, header->length);
    const std::size_t uids = (header->instance & 1) ? 2 : 1;
    const std::size_t fixed = uids * kUidSize + (kind->form == Form::Metafile ? kMetafileHeaderSize : 1);
    if (body.size() <= fixed) return std::nullopt;

    Picture picture{std::string(body.substr(0, kUidSize)), kind->extension, {}};
    const std::string_view rest = body.substr(fixed);
    std::optional<std::string> bytes;
    switch (kind->form) {
    case Form::Bitmap: bytes = std::string(rest); break;
    case Form::Dib: bytes = BitmapFileBytes(rest); break;
    case Form::Metafile: bytes = MetafileBytes(*kind, body.substr(uids * kUidSize, kMetafileHeaderSize), rest); break;
    }
    if (!bytes) return std::nullopt;
    picture.bytes = std::move(*bytes);
    return picture;
}

bool ForEachEntryBlip(std::string_view records, const DelayRead& delay, const BlipVisitor& visit)
{
    std::size_t next = 0;
    while (next < records.size()) {
        const std::optional<RecordHeader> header = RecordAt(records, next);
        // A record running past its container may be a picture's.
        if (!header) return visit({});
        const std::size_t offset = std::exchange(next, next + kRecordHeaderSize + header->length);
        if (header->type != kStoreEntry) continue;
        if (header->length < kStoreEntryFixedSize) {
            if (!visit({})) return false;
            continue;
        }
        const std::string_view entry = records.substr(offset + kRecordHeaderSize, header->length);
        const std::size_t nameSize = static_cast<unsigned char>(entry[33]);
        if (kStoreEntryFixedSize + nameSize < entry.size()) {
            const std::string_view embedded = entry.substr(kStoreEntryFixedSize + nameSize);
            const std::optional<RecordHeader> blip = RecordAt(embedded, 0);
            if (!visit(blip ? embedded.substr(0, kRecordHeaderSize + blip->length) : embedded)) return false;
        } else if (delay) {
            const std::uint32_t size = ReadLe32(entry, 20);
            const std::uint32_t at = ReadLe32(entry, 28);
            // An empty slot: a picture no longer in the document.
            if (size == 0 || at == 0xFFFFFFFF) continue;
            const std::optional<std::string> blip = delay(at, size);
            // The record must lie within the size the entry states.
            const std::optional<RecordHeader> h = blip ? RecordAt(*blip, 0) : std::nullopt;
            if (!visit(h ? std::string_view(*blip).substr(0, kRecordHeaderSize + h->length) : std::string_view()))
                return false;
        }
    }
    return true;
}

bool ForEachStoreBlip(std::string_view drawingGroup, const DelayRead& delay, const BlipVisitor& visit)
{
    const std::optional<RecordHeader> group = RecordAt(drawingGroup, 0);
    if (!group || group->type != kDrawingGroup) return drawingGroup.empty() || visit({});
    const std::string_view children = drawingGroup.substr(kRecordHeaderSize, group->length);
    std::size_t next = 0;
    while (next < children.size()) {
        const std::optional<RecordHeader> child = RecordAt(children, next);
        if (!child) return visit({});
        const std::size_t offset = std::exchange(next, next + kRecordHeaderSize + child->length);
        if (child->type == kBlipStore) {
            return ForEachEntryBlip(children.substr(offset + kRecordHeaderSize, child->length), delay, visit);
        }
    }
    return true;
}

}  // namespace dovrel
