#pragma once
// The drawing records that old presentations, documents and workbooks
// share: record headers, the BLIP store's entries (FBSE) and the BLIP
// records (0xF01A to 0xF02A) that hold the pictures, and the turning of one
// BLIP into the bytes of a file a viewer opens. Records are read as they
// come, in bounded pieces, from a source that never goes past what it
// holds: however large a document's pictures, no more than a piece of them
// is in memory at once. Nothing here opens files.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace dovrel {

constexpr std::size_t kRecordHeaderSize = 8;
// The most any one read of a picture's bytes asks for.
constexpr std::size_t kPictureReadSize = 64 * 1024;

struct RecordHeader {
    std::uint16_t version = 0;  // 0xF marks a container
    std::uint16_t instance = 0;
    std::uint16_t type = 0;
    std::uint32_t length = 0;  // of the body that follows the header
};

// The header in the first eight bytes of `eight` (which must hold them).
RecordHeader ParseRecordHeader(std::string_view eight);
bool IsBlipType(std::uint16_t type);

// Bytes read in order: a stream's range, a record split over continuation
// records, bytes in memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Exactly `count` next bytes into `bytes` (replacing what it held), or
    // false when the source ends first or cannot be read.
    virtual bool Read(std::size_t count, std::string& bytes) = 0;
    // Passes over `count` bytes; false when the source ends first.
    virtual bool Skip(std::uint64_t count) = 0;
};

// Bytes in memory.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    bool Read(std::size_t count, std::string& bytes) override;
    bool Skip(std::uint64_t count) override;

private:
    std::string_view bytes_;
};

// Metafiles are stored deflated; inflating never goes past the size their
// header states, nor past this.
constexpr std::uint32_t kMetafileLimit = 256u << 20;

// Inflates a zlib stream into at most `limit` bytes; nothing when the data
// is damaged or ends before the stream does.
std::optional<std::string> Inflate(std::string_view packed, std::uint32_t limit);

// One BLIP on its way into a file. Open reads what comes before the
// picture's data (the ids and the metafile header), so the kind, the first
// id and the file's size are known before anything is written; Write then
// reads the data piece by piece.
class BlipPicture {
public:
    // in: a BLIP record's header; body, its body from the start. Nothing
    // when the record is no BLIP of a kind a viewer opens or its fixed part
    // cannot be read.
    static std::optional<BlipPicture> Open(const RecordHeader& header, ByteSource& body);

    const std::string& uid() const { return uid_; }       // the first id: equal ids, one picture
    const char* extension() const { return extension_; }  // "png", "jpeg", "emf", "wmf", "pict", "bmp", "tiff"
    // The most the file can hold: what Write may produce.
    std::uint64_t MostFileSize() const;

    enum class Outcome { Written, Damaged, Refused };
    // Hands the file's bytes to `write` in pieces of at most 64 KB (the
    // first may carry a file header besides), reading the rest of the body.
    // Damaged: the data is not what the header says (deflate data that is
    // damaged or ends early, a bitmap header larger than its data);
    // Refused: write answered false.
    Outcome Write(ByteSource& body, const std::function<bool(std::string_view)>& write) const;

private:
    enum class Form { Bitmap, Metafile, Dib };
    std::uint16_t type_ = 0;
    Form form_ = Form::Bitmap;
    std::string uid_;
    const char* extension_ = "";
    std::uint64_t dataSize_ = 0;  // the body's bytes after the fixed part
    std::string metafileHeader_;  // 34 bytes, for metafiles
};

struct Picture {
    std::string uid;
    const char* extension;
    std::string bytes;
};
// in: one BLIP record, header included. The whole file in memory, or
// nothing when it is damaged or of a kind no viewer opens.
std::optional<Picture> PictureFromBlip(std::string_view record);

// What a walk over a document's pictures meets.
class BlipVisitor {
public:
    virtual ~BlipVisitor() = default;
    // One BLIP record: its header and its body, of header.length bytes
    // (what is left unread is passed over). false ends the walk.
    virtual bool Blip(const RecordHeader& header, ByteSource& body) = 0;
    // A picture the document names that cannot be read where it says: a
    // record running past its container, a store entry cut short, a delay
    // read that fails. false ends the walk.
    virtual bool Damaged() = 0;
};

// The next record header, when it and its body fit in the `left` bytes of
// `records` (left then no longer counts the header), or nothing.
std::optional<RecordHeader> ReadRecordHeader(ByteSource& records, std::uint64_t& left);
// The BLIP record of `size` bytes, header included, that `source` holds:
// shown to the visitor, or Damaged when it is no BLIP or does not fit.
// Answers the visitor's answer.
bool VisitBlipRecord(ByteSource& source, std::uint64_t size, BlipVisitor& visit);
// Each BLIP record of `length` bytes of records (a presentation's Pictures
// stream); other records are passed over, one that does not fit tells
// Damaged and ends the walk. false when the walk ended early.
bool ForEachBlip(ByteSource& records, std::uint64_t length, BlipVisitor& visit);

// Fetches a BLIP kept outside the store (`size` bytes at `offset` of the
// document's delay stream) and shows it to the visitor, or tells it
// Damaged. Answers the visitor's answer.
using DelayRead = std::function<bool(std::uint32_t offset, std::uint32_t size, BlipVisitor& visit)>;

// Each BLIP of `length` bytes of records from `records` that hold BLIP
// store entries (FBSE, 0xF007), in order: the BLIP embedded in the entry,
// or else the one the entry's delay offset names (only when `delay` is
// given). A record that does not fit tells Damaged and ends the walk. false
// when the walk ended early.
bool ForEachEntryBlip(ByteSource& records, std::uint64_t length, const DelayRead& delay, BlipVisitor& visit);
// The same for the BLIP store (0xF001) of the drawing group container
// (0xF000) that `drawingGroup` starts with, at most `length` bytes.
bool ForEachStoreBlip(ByteSource& drawingGroup, std::uint64_t length, const DelayRead& delay, BlipVisitor& visit);

}  // namespace dovrel
