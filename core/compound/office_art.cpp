#include "core/compound/office_art.h"

#include <zlib.h>

#include <algorithm>
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
constexpr std::size_t kPlaceableHeaderSize = 22;
constexpr std::size_t kBitmapFileHeaderSize = 14;
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;

std::int32_t S32(std::string_view b, std::size_t at) { return static_cast<std::int32_t>(ReadLe32(b, at)); }

struct BlipKind {
    std::uint16_t type;
    std::uint16_t instance;  // with one unique id; one more means two ids
    const char* extension;
    int form;  // 0 bitmap, 1 metafile, 2 DIB
};

constexpr BlipKind kBlipKinds[] = {
    {0xF01A, 0x3D4, "emf", 1},  {0xF01B, 0x216, "wmf", 1},  {0xF01C, 0x542, "pict", 1},
    {0xF01D, 0x46A, "jpeg", 0}, {0xF01D, 0x6E2, "jpeg", 0}, {0xF02A, 0x6E2, "jpeg", 0},
    {0xF01E, 0x6E0, "png", 0},  {0xF01F, 0x7A8, "bmp", 2},  {0xF029, 0x6E4, "tiff", 0},
};

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
    AppendLe32(placeable, kPlaceableKey);
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

// The file header a device-independent bitmap of `dibSize` bytes needs,
// from the bitmap's own header at the start of `head`; nothing when that
// header does not fit the data.
std::optional<std::string> BitmapFileHeader(std::string_view head, std::uint64_t dibSize)
{
    if (head.size() < 12) return std::nullopt;
    const std::uint32_t infoSize = ReadLe32(head, 0);
    if (infoSize < 12 || infoSize > dibSize) return std::nullopt;
    std::uint64_t palette = 0;
    if (infoSize == 12) {  // the old core header: three-byte colours
        const std::uint16_t bits = ReadLe16(head, 10);
        if (bits <= 8) palette = (std::uint64_t{1} << bits) * 3;
    } else {
        if (infoSize < 40 || head.size() < 40) return std::nullopt;
        const std::uint16_t bits = ReadLe16(head, 14);
        const std::uint32_t compression = ReadLe32(head, 16);
        const std::uint32_t used = ReadLe32(head, 32);
        palette = used != 0 ? std::uint64_t{used} * 4 : bits <= 8 ? (std::uint64_t{1} << bits) * 4 : 0;
        if (infoSize == 40 && (compression == 3 || compression == 6)) palette += compression == 3 ? 12 : 16;
    }
    const std::uint64_t fileSize = kBitmapFileHeaderSize + dibSize;
    const std::uint64_t bitsOffset = kBitmapFileHeaderSize + infoSize + palette;
    if (bitsOffset > fileSize || fileSize > 0xFFFFFFFFu) return std::nullopt;
    std::string file = "BM";
    AppendLe32(file, static_cast<std::uint32_t>(fileSize));
    AppendLe32(file, 0);
    AppendLe32(file, static_cast<std::uint32_t>(bitsOffset));
    return file;
}

// Hands the data on in pieces, the first of them after `prefix`; a Windows
// metafile's first bytes decide whether it needs its placeable header.
class FileWriter {
public:
    FileWriter(const std::function<bool(std::string_view)>& write, std::string prefix)
        : write_(write), pending_(std::move(prefix))
    {
    }
    // Placeable header for a metafile whose data does not start with one.
    void PlaceableIfMissing(std::string header)
    {
        placeable_ = std::move(header);
        deciding_ = true;
    }
    bool Write(std::string_view bytes)
    {
        if (deciding_) {
            decided_.append(bytes);
            if (decided_.size() < 4) return true;
            return Decide();
        }
        if (!pending_.empty()) {
            pending_.append(bytes);
            return write_(std::exchange(pending_, std::string()));
        }
        return write_(bytes);
    }
    // After the last piece.
    bool Finish()
    {
        if (deciding_) return Decide();
        return pending_.empty() || write_(std::exchange(pending_, std::string()));
    }

private:
    bool Decide()
    {
        deciding_ = false;
        const bool has = decided_.size() >= 4 && ReadLe32(decided_, 0) == kPlaceableKey;
        std::string first = (has ? std::string() : placeable_) + decided_;
        decided_.clear();
        return Write(first);
    }

    const std::function<bool(std::string_view)>& write_;
    std::string pending_;
    std::string placeable_;
    std::string decided_;
    bool deciding_ = false;
};

using Outcome = BlipPicture::Outcome;

Outcome CopyData(ByteSource& body, std::uint64_t size, FileWriter& out)
{
    std::string piece;
    for (std::uint64_t left = size; left > 0;) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(left, kPictureReadSize));
        if (!body.Read(count, piece)) return Outcome::Damaged;
        left -= count;
        if (!out.Write(piece)) return Outcome::Refused;
    }
    return out.Finish() ? Outcome::Written : Outcome::Refused;
}

// Inflates `packed` bytes of zlib data into at most `limit` bytes. Damaged
// when the data is damaged or ends before the stream does, unless the
// stated size was reached: whatever follows is not the picture's.
Outcome InflateData(ByteSource& body, std::uint64_t packed, std::uint32_t limit, FileWriter& out)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return Outcome::Damaged;
    std::string input;
    std::string output(kPictureReadSize, '\0');
    std::uint64_t inputLeft = packed;
    std::uint64_t produced = 0;
    int status = Z_OK;
    Outcome outcome = Outcome::Written;
    while (status == Z_OK && produced < limit) {
        if (z.avail_in == 0) {
            if (inputLeft == 0) break;  // the data ended early
            const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(inputLeft, kPictureReadSize));
            if (!body.Read(count, input)) {
                outcome = Outcome::Damaged;
                break;
            }
            inputLeft -= count;
            z.next_in = reinterpret_cast<Bytef*>(input.data());
            z.avail_in = static_cast<uInt>(count);
        }
        const std::size_t room = static_cast<std::size_t>(std::min<std::uint64_t>(limit - produced, output.size()));
        z.next_out = reinterpret_cast<Bytef*>(output.data());
        z.avail_out = static_cast<uInt>(room);
        status = inflate(&z, Z_NO_FLUSH);
        const std::size_t filled = room - z.avail_out;
        produced += filled;
        if (filled > 0 && !out.Write(std::string_view(output.data(), filled))) {
            outcome = Outcome::Refused;
            break;
        }
        if (status == Z_BUF_ERROR && z.avail_in == 0 && inputLeft > 0) status = Z_OK;  // more input to come
    }
    inflateEnd(&z);
    if (outcome != Outcome::Written) return outcome;
    if (produced == 0 || (status != Z_STREAM_END && produced != limit)) return Outcome::Damaged;
    return out.Finish() ? Outcome::Written : Outcome::Refused;
}

}  // namespace

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

bool IsBlipType(std::uint16_t type) { return type >= 0xF018 && type <= 0xF117; }

bool MemorySource::Read(std::size_t count, std::string& bytes)
{
    if (count > bytes_.size()) return false;
    bytes.assign(bytes_.substr(0, count));
    bytes_.remove_prefix(count);
    return true;
}

bool MemorySource::Skip(std::uint64_t count)
{
    if (count > bytes_.size()) return false;
    bytes_.remove_prefix(static_cast<std::size_t>(count));
    return true;
}

std::optional<BlipPicture> BlipPicture::Open(const RecordHeader& header, ByteSource& body)
{
    const BlipKind* kind = nullptr;
    for (const BlipKind& candidate : kBlipKinds) {
        if (candidate.type == header.type && (header.instance & ~1u) == candidate.instance) kind = &candidate;
    }
    if (!kind) return std::nullopt;
    const std::size_t uids = (header.instance & 1) ? 2 : 1;
    const std::size_t fixed = uids * kUidSize + (kind->form == 1 ? kMetafileHeaderSize : 1);
    if (header.length <= fixed) return std::nullopt;
    std::string head;
    if (!body.Read(fixed, head)) return std::nullopt;

    BlipPicture picture;
    picture.type_ = kind->type;
    picture.form_ = kind->form == 0 ? Form::Bitmap : kind->form == 1 ? Form::Metafile : Form::Dib;
    picture.uid_ = head.substr(0, kUidSize);
    picture.extension_ = kind->extension;
    picture.dataSize_ = header.length - fixed;
    if (picture.form_ == Form::Metafile) {
        picture.metafileHeader_ = head.substr(uids * kUidSize);
        const std::uint32_t statedSize = ReadLe32(picture.metafileHeader_, 0);
        const std::uint32_t savedSize = ReadLe32(picture.metafileHeader_, 28);
        const unsigned char compression = static_cast<unsigned char>(picture.metafileHeader_[32]);
        if (savedSize > picture.dataSize_ || statedSize == 0 || statedSize > kMetafileLimit) return std::nullopt;
        if (compression != 0x00 && compression != 0xFE) return std::nullopt;
    }
    return picture;
}

std::uint64_t BlipPicture::MostFileSize() const
{
    switch (form_) {
    case Form::Bitmap: return dataSize_;
    case Form::Dib: return kBitmapFileHeaderSize + dataSize_;
    case Form::Metafile: break;
    }
    const std::uint64_t stated = ReadLe32(metafileHeader_, 0);
    return (type_ == 0xF01C ? kPictHeaderSize : kPlaceableHeaderSize) + stated;
}

BlipPicture::Outcome BlipPicture::Write(ByteSource& body, const std::function<bool(std::string_view)>& write) const
{
    switch (form_) {
    case Form::Bitmap: {
        FileWriter out(write, "");
        return CopyData(body, dataSize_, out);
    }
    case Form::Dib: {
        std::string head;
        const std::size_t first = static_cast<std::size_t>(std::min<std::uint64_t>(dataSize_, kPictureReadSize));
        if (!body.Read(first, head)) return Outcome::Damaged;
        const std::optional<std::string> fileHeader = BitmapFileHeader(head, dataSize_);
        if (!fileHeader) return Outcome::Damaged;
        FileWriter out(write, *fileHeader + head);
        return CopyData(body, dataSize_ - first, out);
    }
    case Form::Metafile: break;
    }
    const std::uint32_t statedSize = ReadLe32(metafileHeader_, 0);
    const std::uint32_t savedSize = ReadLe32(metafileHeader_, 28);
    FileWriter out(write, type_ == 0xF01C ? std::string(kPictHeaderSize, '\0') : std::string());
    if (type_ == 0xF01B) out.PlaceableIfMissing(PlaceableHeader(metafileHeader_));
    if (static_cast<unsigned char>(metafileHeader_[32]) == 0xFE)
        return CopyData(body, std::min(savedSize, statedSize), out);
    return InflateData(body, savedSize, statedSize, out);
}

std::optional<Picture> PictureFromBlip(std::string_view record)
{
    if (record.size() < kRecordHeaderSize) return std::nullopt;
    const RecordHeader header = ParseRecordHeader(record);
    if (header.length > record.size() - kRecordHeaderSize) return std::nullopt;
    MemorySource body(record.substr(kRecordHeaderSize, header.length));
    const std::optional<BlipPicture> blip = BlipPicture::Open(header, body);
    if (!blip) return std::nullopt;
    Picture picture{blip->uid(), blip->extension(), {}};
    const auto append = [&picture](std::string_view bytes) {
        picture.bytes.append(bytes);
        return true;
    };
    if (blip->Write(body, append) != BlipPicture::Outcome::Written) return std::nullopt;
    return picture;
}

namespace {

// At most `length` bytes of another source; what is left unread is passed
// over by Finish.
class LimitedSource final : public ByteSource {
public:
    LimitedSource(ByteSource& source, std::uint64_t length) : source_(source), left_(length) {}
    bool Read(std::size_t count, std::string& bytes) override
    {
        if (count > left_ || !source_.Read(count, bytes)) return false;
        left_ -= count;
        return true;
    }
    bool Skip(std::uint64_t count) override
    {
        if (count > left_ || !source_.Skip(count)) return false;
        left_ -= count;
        return true;
    }
    bool Finish() { return Skip(left_); }
    std::uint64_t left() const { return left_; }

private:
    ByteSource& source_;
    std::uint64_t left_;
};

}  // namespace

std::optional<RecordHeader> ReadRecordHeader(ByteSource& records, std::uint64_t& left)
{
    std::string eight;
    if (left < kRecordHeaderSize || !records.Read(kRecordHeaderSize, eight)) return std::nullopt;
    left -= kRecordHeaderSize;
    const RecordHeader header = ParseRecordHeader(eight);
    if (header.length > left) return std::nullopt;
    return header;
}

bool VisitBlipRecord(ByteSource& source, std::uint64_t size, BlipVisitor& visit)
{
    const std::optional<RecordHeader> header = ReadRecordHeader(source, size);
    if (!header || !IsBlipType(header->type)) return visit.Damaged();
    LimitedSource body(source, header->length);
    if (!visit.Blip(*header, body)) return false;
    return body.Finish() || visit.Damaged();
}

bool ForEachBlip(ByteSource& records, std::uint64_t length, BlipVisitor& visit)
{
    while (length > 0) {
        const std::optional<RecordHeader> header = ReadRecordHeader(records, length);
        if (!header) {
            visit.Damaged();
            return false;
        }
        length -= header->length;
        LimitedSource body(records, header->length);
        if (IsBlipType(header->type) && !visit.Blip(*header, body)) return false;
        if (!body.Finish()) {
            visit.Damaged();
            return false;
        }
    }
    return true;
}

bool ForEachEntryBlip(ByteSource& records, std::uint64_t length, const DelayRead& delay, BlipVisitor& visit)
{
    std::string fixed;
    while (length > 0) {
        const std::optional<RecordHeader> header = ReadRecordHeader(records, length);
        if (!header) {
            visit.Damaged();
            return false;
        }
        LimitedSource entry(records, header->length);
        length -= header->length;
        if (header->type == kStoreEntry) {
            if (header->length < kStoreEntryFixedSize || !entry.Read(kStoreEntryFixedSize, fixed)) {
                if (!visit.Damaged()) return false;
            } else {
                const std::size_t nameSize = static_cast<unsigned char>(fixed[33]);
                if (kStoreEntryFixedSize + nameSize < header->length) {
                    if (!entry.Skip(nameSize)) return visit.Damaged();
                    if (!VisitBlipRecord(entry, entry.left(), visit)) return false;
                } else if (delay) {
                    const std::uint32_t size = ReadLe32(fixed, 20);
                    const std::uint32_t at = ReadLe32(fixed, 28);
                    // An empty slot: a picture no longer in the document.
                    if (size != 0 && at != 0xFFFFFFFF && !delay(at, size, visit)) return false;
                }
            }
        }
        if (!entry.Finish()) {
            visit.Damaged();
            return false;
        }
    }
    return true;
}

bool ForEachStoreBlip(ByteSource& drawingGroup, std::uint64_t length, const DelayRead& delay, BlipVisitor& visit)
{
    const std::optional<RecordHeader> group = ReadRecordHeader(drawingGroup, length);
    if (!group || group->type != kDrawingGroup) return visit.Damaged();
    std::uint64_t left = group->length;
    while (left > 0) {
        const std::optional<RecordHeader> child = ReadRecordHeader(drawingGroup, left);
        if (!child) return visit.Damaged();
        if (child->type == kBlipStore) return ForEachEntryBlip(drawingGroup, child->length, delay, visit);
        left -= child->length;
        if (!drawingGroup.Skip(child->length)) return visit.Damaged();
    }
    return true;
}

}  // namespace dovrel
