#include "core/metafile/metafile_records.h"

#include <algorithm>
#include <cmath>

#include "core/base/inflate.h"
#include "core/base/little_endian.h"

namespace dovrel {

namespace {

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::uint32_t kEmfSignature = 0x464D4520;      // " EMF"
constexpr std::uint32_t kEmfPlusSignature = 0x2B464D45;  // "EMF+"
constexpr std::size_t kEmfHeaderMinimum = 88;
constexpr std::size_t kPlaceableSize = 22;
constexpr std::size_t kWmfHeaderSize = 18;
constexpr std::uint32_t kSrcCopy = 0x00CC0020;
constexpr std::uint32_t kFloatOne = 0x3F800000;

// EMF record types.
constexpr std::uint32_t kEmrHeader = 1, kEmrEof = 14, kEmrComment = 70, kEmrStretchBlt = 77, kEmrStretchDiBits = 81;
// Records that set state, make objects or comment, and draw nothing.
constexpr std::uint32_t kQuietRecords[] = {
    1,  9,  10, 11, 12, 13, 14, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 27,  31,
    32, 33, 34, 35, 36, 37, 38, 39, 40, 48, 49, 52, 58, 70, 82, 95, 98, 115,
};

// EMF+ record types.
constexpr std::uint16_t kPlusObject = 0x4008, kPlusDrawImage = 0x401A, kPlusDrawImagePoints = 0x401B;
constexpr std::uint16_t kPlusImageObject = 5;
// Header, end of file, comment, objects, rendering hints, saves and
// containers, transforms: no drawing.
bool IsQuietPlusRecord(std::uint16_t type)
{
    return type == 0x4001 || type == 0x4002 || type == 0x4003 || type == kPlusObject ||
           (type >= 0x401D && type <= 0x4030);
}

std::int32_t S32(std::string_view b, std::size_t at) { return static_cast<std::int32_t>(ReadLe32(b, at)); }
std::int16_t S16(std::string_view b, std::size_t at) { return static_cast<std::int16_t>(ReadLe16(b, at)); }

// `count` bytes at `at` lie inside a block of `size` bytes.
bool Inside(std::uint64_t at, std::uint64_t count, std::uint64_t size) { return at <= size && count <= size - at; }

struct Rect {
    std::int32_t left, top, right, bottom;
};
Rect RectAt(std::string_view b, std::size_t at)
{
    return {S32(b, at), S32(b, at + 4), S32(b, at + 8), S32(b, at + 12)};
}
bool Covers(const Rect& outer, const Rect& inner)
{
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

// A device-independent bitmap inside a record: a BITMAPINFO GDI can read
// whole and rows enough for its size. Only uncompressed rows (BI_RGB,
// BI_BITFIELDS): a compressed one is left to the playing.
std::optional<WrappedBitmap> DibInRecord(std::string_view record, std::uint32_t offInfo, std::uint32_t infoSize,
                                         std::uint32_t offBits, std::uint32_t bitsSize)
{
    if (!Inside(offInfo, infoSize, record.size()) || !Inside(offBits, bitsSize, record.size())) return std::nullopt;
    const std::string_view info = record.substr(offInfo, infoSize);
    if (info.size() < 40) return std::nullopt;
    const std::uint32_t headerSize = ReadLe32(info, 0);
    const std::int32_t width = S32(info, 4), height = S32(info, 8);
    const std::uint16_t planes = ReadLe16(info, 12), bitCount = ReadLe16(info, 14);
    const std::uint32_t compression = ReadLe32(info, 16), used = ReadLe32(info, 32);
    if (headerSize < 40 || headerSize > info.size() || planes != 1 || width <= 0 || height == 0 || height == INT32_MIN)
        return std::nullopt;
    const bool rgb = compression == 0;
    const bool fields = compression == 3 && (bitCount == 16 || bitCount == 32);
    if (!(rgb || fields)) return std::nullopt;
    std::uint64_t colours = used;
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
        if (used > (1u << bitCount)) return std::nullopt;
        if (used == 0) colours = 1u << bitCount;
        break;
    case 16:
    case 24:
    case 32: break;
    default: return std::nullopt;
    }
    const std::uint64_t table = colours * 4 + (fields && headerSize == 40 ? 12 : 0);
    if (!Inside(headerSize, table, info.size())) return std::nullopt;
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -static_cast<std::int64_t>(height) : height);
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
    if (stride * rows > bitsSize) return std::nullopt;
    WrappedBitmap bitmap;
    bitmap.info = info;
    bitmap.bits = std::string(record.substr(offBits, static_cast<std::size_t>(stride * rows)));
    bitmap.width = width;
    bitmap.height = static_cast<std::int32_t>(rows);
    return bitmap;
}

// The whole bitmap of a single EMR_STRETCHDIBITS or EMR_STRETCHBLT copied
// over the picture's bounds, or nothing.
std::optional<WrappedBitmap> DibOfDrawing(std::string_view record, std::uint32_t type, const Rect& pictureBounds)
{
    if (record.size() < (type == kEmrStretchDiBits ? 80u : 108u) || !Covers(RectAt(record, 8), pictureBounds))
        return std::nullopt;
    std::optional<WrappedBitmap> bitmap;
    std::int32_t xSrc, ySrc, cxSrc, cySrc;
    if (type == kEmrStretchDiBits) {
        if (ReadLe32(record, 64) != 0 || ReadLe32(record, 68) != kSrcCopy) return std::nullopt;
        xSrc = S32(record, 32), ySrc = S32(record, 36), cxSrc = S32(record, 40), cySrc = S32(record, 44);
        bitmap =
            DibInRecord(record, ReadLe32(record, 48), ReadLe32(record, 52), ReadLe32(record, 56), ReadLe32(record, 60));
    } else {
        if (ReadLe32(record, 40) != kSrcCopy || ReadLe32(record, 80) != 0) return std::nullopt;
        // The source's transform must be the identity: the bitmap as it is.
        const std::uint32_t transform[6] = {ReadLe32(record, 52), ReadLe32(record, 56), ReadLe32(record, 60),
                                            ReadLe32(record, 64), ReadLe32(record, 68), ReadLe32(record, 72)};
        const std::uint32_t identity[6] = {kFloatOne, 0, 0, kFloatOne, 0, 0};
        if (!std::equal(transform, transform + 6, identity)) return std::nullopt;
        xSrc = S32(record, 44), ySrc = S32(record, 48), cxSrc = S32(record, 100), cySrc = S32(record, 104);
        bitmap =
            DibInRecord(record, ReadLe32(record, 84), ReadLe32(record, 88), ReadLe32(record, 92), ReadLe32(record, 96));
    }
    if (!bitmap || xSrc != 0 || ySrc != 0 || cxSrc != bitmap->width || cySrc != bitmap->height) return std::nullopt;
    return bitmap;
}

// EMF+ records, met in comments: whether they draw one PNG or JPEG image
// and nothing else. An image too large for one record comes in pieces
// ("continued" objects) that are joined here.
class PlusImageScan {
public:
    // records: the EMF+ records of one comment, after its signature.
    void Add(std::string_view records)
    {
        seen_ = true;
        std::size_t at = 0;
        while (at + 12 <= records.size()) {
            const std::uint16_t type = ReadLe16(records, at), flags = ReadLe16(records, at + 2);
            const std::uint32_t size = ReadLe32(records, at + 4), dataSize = ReadLe32(records, at + 8);
            if (size < 12 || !Inside(at, size, records.size()) || dataSize > size - 12) {
                damaged_ = true;
                return;
            }
            AddRecord(type, flags, records.substr(at + 12, dataSize));
            at += size;
        }
    }

    bool seen() const { return seen_; }
    // Drawing of any other kind, or a damaged record: no wrapped image.
    bool DrawsOtherThings() const { return damaged_ || other_; }

    std::optional<WrappedBitmap> Image() const
    {
        if (!seen_ || damaged_ || other_ || images_ != 1 || draws_ != 1 || !complete_) return std::nullopt;
        // EmfPlusImage: version, type (1: bitmap); EmfPlusBitmap: width,
        // height, stride, pixel format, type (1: compressed), the file.
        constexpr std::size_t kFileAt = 28;
        if (object_.size() <= kFileAt || ReadLe32(object_, 4) != 1 || ReadLe32(object_, 24) != 1) return std::nullopt;
        WrappedBitmap image;
        image.bits = object_.substr(kFileAt);
        if (image.bits.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0) {
            image.kind = WrappedBitmap::Kind::Png;
        } else if (image.bits.compare(0, 3, "\xFF\xD8\xFF") == 0) {
            image.kind = WrappedBitmap::Kind::Jpeg;
        } else {
            return std::nullopt;
        }
        return image;
    }

private:
    void AddRecord(std::uint16_t type, std::uint16_t flags, std::string_view data)
    {
        const int id = flags & 0xFF;
        if (type == kPlusDrawImage || type == kPlusDrawImagePoints) {
            ++draws_;
            if (images_ == 0 || id != imageId_) other_ = true;
        } else if (type == kPlusObject) {
            if ((flags >> 8 & 0x7F) == kPlusImageObject) AddImagePiece(id, (flags & 0x8000) != 0, data);
        } else if (!IsQuietPlusRecord(type)) {
            other_ = true;
        }
    }

    void AddImagePiece(int id, bool continued, std::string_view data)
    {
        const bool more = images_ == 1 && id == imageId_ && !complete_;
        if (!more) {
            ++images_;
            imageId_ = id;
            object_.clear();
            total_ = 0;
        }
        if (continued) {
            if (data.size() < 4) {
                damaged_ = true;
                return;
            }
            total_ = ReadLe32(data, 0);
            data.remove_prefix(4);
        }
        if (object_.size() + data.size() > (256u << 20)) {
            damaged_ = true;
            return;
        }
        object_.append(data);
        complete_ = !continued || object_.size() >= total_;
    }

    bool seen_ = false, damaged_ = false, other_ = false, complete_ = false;
    int images_ = 0, draws_ = 0, imageId_ = -1;
    std::uint32_t total_ = 0;
    std::string object_;
};

std::optional<MetafileLayout> ReadEnhanced(std::string_view bytes)
{
    if (bytes.size() < kEmfHeaderMinimum || ReadLe32(bytes, 0) != kEmrHeader || ReadLe32(bytes, 40) != kEmfSignature)
        return std::nullopt;
    const std::uint32_t headerSize = ReadLe32(bytes, 4), stated = ReadLe32(bytes, 48);
    if (headerSize < kEmfHeaderMinimum || headerSize % 4 != 0 || stated < headerSize || stated > bytes.size())
        return std::nullopt;
    MetafileLayout layout;
    layout.records = bytes.substr(0, stated);
    const Rect bounds = RectAt(bytes, 8), frame = RectAt(bytes, 24);
    layout.frame = {static_cast<std::int64_t>(frame.right) - frame.left,
                    static_cast<std::int64_t>(frame.bottom) - frame.top};
    if (layout.frame.width <= 0 || layout.frame.height <= 0) return std::nullopt;

    PlusImageScan plus;
    int drawings = 0;
    std::optional<WrappedBitmap> dib;
    bool ended = false;
    for (std::size_t at = headerSize; !ended && at < layout.records.size();) {
        if (layout.records.size() - at < 8) return std::nullopt;
        const std::uint32_t type = ReadLe32(layout.records, at), size = ReadLe32(layout.records, at + 4);
        if (size < 8 || size % 4 != 0 || !Inside(at, size, layout.records.size())) return std::nullopt;
        const std::string_view record = layout.records.substr(at, size);
        if (type == kEmrComment && size >= 16 && ReadLe32(record, 12) == kEmfPlusSignature) {
            const std::uint32_t dataSize = ReadLe32(record, 8);
            if (dataSize < 4 || !Inside(12, dataSize, size)) return std::nullopt;
            plus.Add(record.substr(16, dataSize - 4));
        } else if (std::find(std::begin(kQuietRecords), std::end(kQuietRecords), type) == std::end(kQuietRecords)) {
            if (++drawings == 1 && (type == kEmrStretchDiBits || type == kEmrStretchBlt))
                dib = DibOfDrawing(record, type, bounds);
        }
        ended = type == kEmrEof;
        at += size;
    }
    // With EMF+ records, the GDI records are what a reader without EMF+
    // draws instead: the EMF+ records decide.
    if (plus.seen()) {
        layout.bitmap = plus.Image();
    } else if (drawings == 1) {
        layout.bitmap = std::move(dib);
    }
    return layout;
}

std::optional<MetafileLayout> ReadWindows(std::string_view bytes)
{
    MetafileLayout layout;
    layout.format = MetafileFormat::Windows;
    std::optional<MetafileFrame> frame;
    if (bytes.size() >= kPlaceableSize && ReadLe32(bytes, 0) == kPlaceableKey) {
        const std::int64_t left = S16(bytes, 6), top = S16(bytes, 8), right = S16(bytes, 10), bottom = S16(bytes, 12);
        const std::uint16_t perInch = ReadLe16(bytes, 14);
        if (perInch == 0) return std::nullopt;
        frame = MetafileFrame{(right - left) * 2540 / perInch, (bottom - top) * 2540 / perInch};
        bytes.remove_prefix(kPlaceableSize);
    }
    if (bytes.size() < kWmfHeaderSize) return std::nullopt;
    const std::uint16_t type = ReadLe16(bytes, 0), version = ReadLe16(bytes, 4);
    if ((type != 1 && type != 2) || ReadLe16(bytes, 2) != 9 || (version != 0x0100 && version != 0x0300))
        return std::nullopt;
    std::size_t at = kWmfHeaderSize;
    while (at < bytes.size()) {
        if (bytes.size() - at < 6) return std::nullopt;
        const std::uint64_t size = static_cast<std::uint64_t>(ReadLe32(bytes, at)) * 2;
        const std::uint16_t function = ReadLe16(bytes, at + 4);
        if (size < 6 || !Inside(at, size, bytes.size())) return std::nullopt;
        constexpr std::uint16_t kSetWindowExt = 0x020C;
        if (function == kSetWindowExt && size >= 10 && !frame) {
            constexpr std::int64_t kTwipsPerInch = 1440;
            frame = MetafileFrame{std::abs(S16(bytes, at + 8)) * 2540 / kTwipsPerInch,
                                  std::abs(S16(bytes, at + 6)) * 2540 / kTwipsPerInch};
        }
        at += static_cast<std::size_t>(size);
        if (function == 0x0000) break;  // the end-of-file record
    }
    if (!frame || frame->width <= 0 || frame->height <= 0) return std::nullopt;
    layout.records = bytes.substr(0, at);
    layout.frame = *frame;
    return layout;
}

}  // namespace

std::optional<MetafileLayout> ReadMetafileLayout(std::string_view bytes)
{
    if (bytes.size() >= 4 && ReadLe32(bytes, 0) == kEmrHeader) return ReadEnhanced(bytes);
    return ReadWindows(bytes);
}

std::optional<std::string> UnpackMetafile(std::string_view bytes, std::size_t limit)
{
    if (bytes.compare(0, 2, "\x1F\x8B") != 0) {
        if (bytes.size() > limit) return std::nullopt;
        return std::string(bytes);
    }
    std::optional<Inflated> inflated = InflateBounded(bytes, limit, Packing::Gzip);
    if (!inflated || !inflated->ended) return std::nullopt;
    return std::move(inflated->bytes);
}

std::optional<PixelSize> RenderSizeOf(const MetafileFrame& frame, int dpi, std::int32_t maxSide)
{
    if (frame.width <= 0 || frame.height <= 0 || dpi <= 0 || maxSide <= 0) return std::nullopt;
    double width = static_cast<double>(frame.width) * dpi / 2540.0;
    double height = static_cast<double>(frame.height) * dpi / 2540.0;
    const double longSide = std::max(width, height);
    if (longSide > maxSide) {
        width = width * maxSide / longSide;
        height = height * maxSide / longSide;
    }
    const double roundedWidth = std::min<double>(std::round(width), maxSide);
    const double roundedHeight = std::min<double>(std::round(height), maxSide);
    if (roundedWidth < 1 || roundedHeight < 1) return std::nullopt;
    return PixelSize{static_cast<std::int32_t>(roundedWidth), static_cast<std::int32_t>(roundedHeight)};
}

}  // namespace dovrel
