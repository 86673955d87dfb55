#include "core/compound/binary_pictures.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <string_view>
#include <vector>

#include "core/base/little_endian.h"
#include "core/base/unique_handle.h"
#include "core/compound/compound_document.h"
#include "core/compound/office_art.h"
#include "core/fs/file_ops.h"
#include "core/fs/folder_path.h"
#include "core/fs/volume.h"
#include "core/fs/wide_path.h"

namespace dovrel {

namespace {

// What one read of a stream takes at once: pictures are read in bounded
// pieces, never whole, whatever their size.
constexpr std::size_t kStreamReadSize = 256 * 1024;
// A word-processing document's character-formatting index is read whole:
// eight bytes a page of text properties.
constexpr std::uint32_t kIndexLimit = 16u << 20;
// The part of the progress a copy of a held document takes.
constexpr int kCopyShare = 30;

// ---- Reading ------------------------------------------------------------------

// `length` bytes of a stream from `start`, read ahead in pieces.
class StreamSource final : public ByteSource {
public:
    StreamSource(const StorageStream& stream, std::uint64_t start, std::uint64_t length)
        : stream_(stream), next_(start),
          end_(start <= stream.size() ? std::min(length, stream.size() - start) + start : start)
    {
    }
    bool Read(std::size_t count, std::string& bytes) override
    {
        bytes.clear();
        if (count > left()) return false;
        while (bytes.size() < count) {
            if (at_ == buffer_.size() && !Refill()) return false;
            const std::size_t take = std::min(count - bytes.size(), buffer_.size() - at_);
            bytes.append(buffer_, at_, take);
            at_ += take;
        }
        return true;
    }
    bool Skip(std::uint64_t count) override
    {
        if (count > left()) return false;
        const std::uint64_t buffered = buffer_.size() - at_;
        if (count <= buffered) {
            at_ += static_cast<std::size_t>(count);
        } else {
            next_ += count - buffered;
            buffer_.clear();
            at_ = 0;
        }
        return true;
    }
    std::uint64_t left() const { return end_ - next_ + (buffer_.size() - at_); }

private:
    bool Refill()
    {
        buffer_.clear();
        at_ = 0;
        const std::uint64_t count = std::min<std::uint64_t>(kStreamReadSize, end_ - next_);
        if (count == 0 || !stream_.ReadAt(next_, count, buffer_)) return false;
        next_ += count;
        return true;
    }

    const StorageStream& stream_;
    std::uint64_t next_;  // the stream offset after the buffer
    std::uint64_t end_;
    std::string buffer_;
    std::size_t at_ = 0;
};

// ---- Writing ------------------------------------------------------------------

// The first walk: every picture is opened (kind, first id, size) and none
// written, so a damaged one fails the run before anything is written and
// the bytes to write are known.
class PictureSizes final : public BlipVisitor {
public:
    bool Blip(const RecordHeader& header, ByteSource& body) override
    {
        const std::optional<BlipPicture> picture = BlipPicture::Open(header, body);
        if (!picture) return Damaged();
        if (seen_.insert(picture->uid()).second) {
            bytes_ += picture->MostFileSize();
            ++files_;
        }
        return true;
    }
    bool Damaged() override
    {
        damaged_ = true;
        return false;
    }
    bool damaged() const { return damaged_; }
    std::uint64_t bytes() const { return bytes_; }
    std::uint64_t files() const { return files_; }

private:
    std::set<std::string> seen_;
    std::uint64_t bytes_ = 0;
    std::uint64_t files_ = 0;
    bool damaged_ = false;
};

// The second walk: each distinct picture once, numbered in the order they
// come, written piece by piece.
class PictureFolder final : public BlipVisitor {
public:
    PictureFolder(Text scratchFolder, Text packageFolder, std::uint64_t totalBytes, const PicturesProgress& progress)
        : scratchFolder_(std::move(scratchFolder)), packageFolder_(std::move(packageFolder)), totalBytes_(totalBytes),
          progress_(progress)
    {
    }

    // false once a stop was asked for or a picture failed: the walk then ends.
    bool Blip(const RecordHeader& header, ByteSource& body) override
    {
        const std::optional<BlipPicture> picture = BlipPicture::Open(header, body);
        if (!picture) return Damaged();
        if (seen_.insert(picture->uid()).second && !WritePicture(*picture, body)) failed_ = true;
        return !stopped_ && !failed_ && Tell();
    }
    // A damaged picture fails the run, as a damaged zip entry does.
    bool Damaged() override
    {
        failed_ = true;
        return false;
    }

    int count() const { return count_; }
    bool failed() const { return failed_; }
    bool stopped() const { return stopped_; }

private:
    bool WritePicture(const BlipPicture& picture, ByteSource& body)
    {
        // A failure shows at the first picture's write.
        if (count_ == 0) CreateFolderPath(JoinTexts({scratchFolder_, packageFolder_}));
        const Text path =
            JoinTexts({scratchFolder_, packageFolder_, "\\image", ToText(count_ + 1), ".", picture.extension()});
        UniqueFile file(
            CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        const BlipPicture::Outcome outcome = picture.Write(body, [&](std::string_view piece) {
            writtenBytes_ += piece.size();
            return WriteToFile(file.get(), piece.data(), piece.size()) && Tell();
        });
        if (outcome == BlipPicture::Outcome::Written && CloseHandle(file.release())) {
            ++count_;
            return true;
        }
        file.reset();
        RemoveFile(path);
        return stopped_;
    }

    // How far the pictures are, by the bytes written of all to write; never
    // 100 before the end. false once a stop was asked for.
    bool Tell()
    {
        if (!progress_ || stopped_) return !stopped_;
        const std::uint64_t percent =
            totalBytes_ == 0 ? 99 : std::min<std::uint64_t>(99, writtenBytes_ * 100 / totalBytes_);
        if (!progress_(static_cast<int>(percent))) stopped_ = true;
        return !stopped_;
    }

    Text scratchFolder_;
    Text packageFolder_;
    std::uint64_t totalBytes_;
    const PicturesProgress& progress_;
    std::set<std::string> seen_;
    std::uint64_t writtenBytes_ = 0;
    int count_ = 0;
    bool failed_ = false;
    bool stopped_ = false;
};

// ---- Presentations: the Pictures stream, BLIP after BLIP ---------------------

void PresentationBlips(const CompoundDocument& document, BlipVisitor& visit)
{
    const std::optional<StorageStream> pictures = document.OpenStream(L"Pictures");
    if (!pictures) return;
    StreamSource source(*pictures, 0, pictures->size());
    ForEachBlip(source, pictures->size(), visit);
}

// ---- Word-processing documents -------------------------------------------------

struct FilePart {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

// Where the file information block at the start of WordDocument says the
// drawing group and the character-formatting index lie, and in which table
// stream.
struct WordLayout {
    const wchar_t* table = L"0Table";
    FilePart drawingGroup;    // fcDggInfo / lcbDggInfo
    FilePart characterIndex;  // fcPlcfBteChpx / lcbPlcfBteChpx
};

std::optional<WordLayout> ReadWordLayout(const StorageStream& wordDocument)
{
    constexpr std::size_t kHeadSize = 1024;
    std::string fib;
    if (!wordDocument.ReadAt(0, std::min<std::uint64_t>(kHeadSize, wordDocument.size()), fib) || fib.size() < 34 ||
        ReadLe16(fib, 0) != 0xA5EC) {
        return std::nullopt;
    }
    const std::uint16_t flags = ReadLe16(fib, 0x0A);
    if (flags & 0x0100) return std::nullopt;  // encrypted: nothing readable
    WordLayout layout;
    if (flags & 0x0200) layout.table = L"1Table";
    // FibBase, then three counted arrays: 16-bit values, 32-bit values, and
    // the (offset, size) pairs.
    std::size_t at = 32;
    if (at + 2 > fib.size()) return std::nullopt;
    at += 2 + 2 * std::size_t{ReadLe16(fib, at)};
    if (at + 2 > fib.size()) return std::nullopt;
    at += 2 + 4 * std::size_t{ReadLe16(fib, at)};
    if (at + 2 > fib.size()) return std::nullopt;
    const std::size_t pairs = ReadLe16(fib, at);
    at += 2;
    auto pair = [&](std::size_t index) {
        const std::size_t where = at + index * 8;
        return index < pairs && where + 8 <= fib.size() ? FilePart{ReadLe32(fib, where), ReadLe32(fib, where + 4)}
                                                        : FilePart{};
    };
    layout.characterIndex = pair(12);
    layout.drawingGroup = pair(50);
    return layout;
}

// The Data stream offsets of the inline pictures (sprmCPicLocation), in the
// order the character formatting names them. The index is a PLC of file
// positions and 512-byte FKP page numbers; each page holds runs of
// character properties.
std::vector<std::uint32_t> InlinePictureOffsets(const StorageStream& wordDocument, const std::string& index)
{
    constexpr std::uint16_t kPicLocation = 0x6A03;
    constexpr std::uint16_t kFormData = 0x0806;
    constexpr std::size_t kPageSize = 512;
    std::vector<std::uint32_t> offsets;
    std::set<std::uint32_t> known;
    if (index.size() < 12 || (index.size() - 4) % 8 != 0) return offsets;
    const std::size_t pages = (index.size() - 4) / 8;
    std::string page;
    std::set<std::uint64_t> pagesRead;
    for (std::size_t p = 0; p < pages; ++p) {
        const std::uint64_t number = ReadLe32(index, 4 * (pages + 1) + 4 * p) & 0x3FFFFF;
        if (!pagesRead.insert(number).second || !wordDocument.ReadAt(number * kPageSize, kPageSize, page)) continue;
        const std::size_t runs = static_cast<unsigned char>(page[kPageSize - 1]);
        if (runs == 0 || 4 * (runs + 1) + runs > kPageSize - 1) continue;
        for (std::size_t r = 0; r < runs; ++r) {
            const std::size_t at = 2 * std::size_t{static_cast<unsigned char>(page[4 * (runs + 1) + r])};
            if (at == 0 || at >= kPageSize - 1) continue;
            const std::size_t end = std::min(at + 1 + static_cast<unsigned char>(page[at]), kPageSize - 1);
            std::optional<std::uint32_t> location;
            bool formData = false;
            for (std::size_t s = at + 1; s + 2 <= end;) {
                const std::uint16_t sprm = ReadLe16(page, s);
                s += 2;
                static constexpr std::size_t kOperandSizes[] = {1, 1, 2, 4, 2, 2, 0, 3};
                std::size_t operand = kOperandSizes[sprm >> 13];
                if (operand == 0) {  // variable: its size comes first
                    if (s >= end) break;
                    operand = 1 + static_cast<unsigned char>(page[s]);
                }
                if (s + operand > end) break;
                if (sprm == kPicLocation) location = ReadLe32(page, s);
                if (sprm == kFormData && page[s] != 0) formData = true;
                s += operand;
            }
            if (location && !formData && known.insert(*location).second) offsets.push_back(*location);
        }
    }
    return offsets;
}

// One picture descriptor in Data: its 68-byte header (size first), an
// optional name, the shape, then the store entries with their BLIPs.
// `budget`: what all descriptors together may still read. Real ones never
// overlap, so the Data stream's size is enough for all of them.
// false when the visitor ended the walk.
bool InlinePictureBlips(const StorageStream& data, std::uint32_t offset, std::uint64_t& budget, BlipVisitor& visit)
{
    constexpr std::size_t kHeaderSize = 0x44;
    constexpr std::uint16_t kShapeFile = 0x66;
    std::string head;
    if (!data.ReadAt(offset, 8, head)) return visit.Damaged();
    // Another kind of object the text places, without pictures of its own.
    if (ReadLe16(head, 4) != kHeaderSize) return true;
    const std::uint32_t size = ReadLe32(head, 0);
    if (size < kHeaderSize || size > budget || size > data.size() - offset) return visit.Damaged();
    budget -= size;
    StreamSource descriptor(data, offset, size);
    std::uint64_t left = size - kHeaderSize;
    descriptor.Skip(kHeaderSize);
    if (ReadLe16(head, 6) == kShapeFile) {
        std::string nameSize;
        if (!descriptor.Read(1, nameSize)) return visit.Damaged();
        left -= 1;
        const std::uint64_t skip = static_cast<unsigned char>(nameSize[0]);
        if (skip > left || !descriptor.Skip(skip)) return visit.Damaged();
        left -= skip;
    }
    if (left == 0) return true;  // a descriptor without a shape
    const std::optional<RecordHeader> shape = ReadRecordHeader(descriptor, left);
    if (!shape || !descriptor.Skip(shape->length)) return visit.Damaged();
    return ForEachEntryBlip(descriptor, left - shape->length, nullptr, visit);
}

void WordDocumentBlips(const CompoundDocument& document, BlipVisitor& visit)
{
    const std::optional<StorageStream> wordDocument = document.OpenStream(L"WordDocument");
    if (!wordDocument) return;
    const std::optional<WordLayout> layout = ReadWordLayout(*wordDocument);
    if (!layout) return;
    const std::optional<StorageStream> table = document.OpenStream(layout->table);
    if (!table) return;

    // Floating pictures: the store, with the BLIPs in WordDocument at the
    // entries' delay offsets. (Entries never share their BLIPs' bytes, so
    // together they read no more than the stream holds.)
    if (const FilePart group = layout->drawingGroup; group.size != 0) {
        if (std::uint64_t{group.offset} + group.size > table->size()) {
            if (!visit.Damaged()) return;
        } else {
            std::uint64_t budget = wordDocument->size();
            StreamSource source(*table, group.offset, group.size);
            const bool goOn = ForEachStoreBlip(
                source, group.size,
                [&](std::uint32_t offset, std::uint32_t size, BlipVisitor& visitor) {
                    if (size > budget || std::uint64_t{offset} + size > wordDocument->size()) return visitor.Damaged();
                    budget -= size;
                    StreamSource blip(*wordDocument, offset, size);
                    return VisitBlipRecord(blip, size, visitor);
                },
                visit);
            if (!goOn) return;
        }
    }
    // Inline pictures: the descriptors in Data that the text points at.
    const std::optional<StorageStream> data = document.OpenStream(L"Data");
    std::string index;
    const FilePart part = layout->characterIndex;
    if (!data || part.size == 0 || part.size > kIndexLimit || !table->ReadAt(part.offset, part.size, index)) return;
    std::uint64_t budget = data->size();
    for (std::uint32_t offset : InlinePictureOffsets(*wordDocument, index)) {
        if (!InlinePictureBlips(*data, offset, budget, visit)) return;
    }
}

// ---- Workbooks: the drawing group record and its continuations ---------------

constexpr std::uint16_t kDrawingGroupRecord = 0x00EB;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kEndOfGlobals = 0x000A;

// The drawing group: the bodies of its record and of the continuation
// records that follow it, read as one.
class SplicedRecords final : public ByteSource {
public:
    SplicedRecords(ByteSource& book, std::uint64_t firstLength) : book_(book), left_(firstLength) {}
    bool Read(std::size_t count, std::string& bytes) override
    {
        bytes.clear();
        while (bytes.size() < count) {
            if (left_ == 0 && !NextRecord()) return false;
            const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(count - bytes.size(), left_));
            if (!book_.Read(take, piece_)) return false;
            bytes += piece_;
            left_ -= take;
        }
        return true;
    }
    bool Skip(std::uint64_t count) override
    {
        while (count > 0) {
            if (left_ == 0 && !NextRecord()) return false;
            const std::uint64_t take = std::min(count, left_);
            if (!book_.Skip(take)) return false;
            count -= take;
            left_ -= take;
        }
        return true;
    }

private:
    bool NextRecord()
    {
        std::string head;
        if (!book_.Read(4, head)) return false;
        const std::uint16_t type = ReadLe16(head, 0);
        if (type != kContinue && type != kDrawingGroupRecord) return false;
        left_ = ReadLe16(head, 2);
        return true;
    }

    ByteSource& book_;
    std::uint64_t left_;
    std::string piece_;
};

void WorkbookBlips(const CompoundDocument& document, BlipVisitor& visit)
{
    std::optional<StorageStream> stream = document.OpenStream(L"Workbook");
    if (!stream) stream = document.OpenStream(L"Book");
    if (!stream) return;
    StreamSource book(*stream, 0, stream->size());
    std::string head;
    while (book.left() >= 4 && book.Read(4, head)) {
        const std::uint16_t type = ReadLe16(head, 0);
        const std::uint16_t length = ReadLe16(head, 2);
        // A record running past the end may hold pictures.
        if (length > book.left()) {
            visit.Damaged();
            return;
        }
        if (type == kDrawingGroupRecord) {
            SplicedRecords group(book, length);
            ForEachStoreBlip(group, UINT64_MAX, nullptr, visit);
            return;
        }
        if (type == kEndOfGlobals) return;
        book.Skip(length);
    }
}

// ---- Encryption ------------------------------------------------------------------

// An encrypted document keeps its pictures encrypted too: the user is told
// so instead of being left with silence. A password-protected .docx, .xlsx
// or .pptx is such a compound file (its package in "EncryptedPackage").
bool IsEncrypted(const CompoundDocument& document)
{
    constexpr std::uint16_t kWordMagic = 0xA5EC, kWordEncrypted = 0x0100;
    constexpr std::uint16_t kFilePass = 0x002F, kEndOfGlobals = 0x000A;
    constexpr int kGlobalsLooked = 64;
    if (document.OpenStream(L"EncryptedPackage") || document.OpenStream(L"EncryptedSummary")) return true;
    std::string head;
    if (const std::optional<StorageStream> word = document.OpenStream(L"WordDocument")) {
        if (word->ReadAt(0, 12, head) && head.size() == 12 && ReadLe16(head, 0) == kWordMagic &&
            (ReadLe16(head, 0x0A) & kWordEncrypted))
            return true;
    }
    std::optional<StorageStream> book = document.OpenStream(L"Workbook");
    if (!book) book = document.OpenStream(L"Book");
    // The password record comes right after the first records of the globals.
    if (book && book->ReadAt(0, std::min<std::uint64_t>(book->size(), 4096), head)) {
        std::size_t at = 0;
        for (int i = 0; i < kGlobalsLooked && at + 4 <= head.size(); ++i) {
            const std::uint16_t type = ReadLe16(head, at);
            if (type == kFilePass) return true;
            if (type == kEndOfGlobals) break;
            at += 4 + std::size_t{ReadLe16(head, at + 2)};
        }
    }
    return false;
}

// ---- Kinds ---------------------------------------------------------------------

struct KindReader {
    BinaryKind kind;
    const wchar_t* streams[2];  // either one shows the kind
    const char* mediaFolder;    // for an extension of no known kind
    void (*blips)(const CompoundDocument&, BlipVisitor&);
};

constexpr KindReader kKinds[] = {
    {BinaryKind::Presentation, {L"Pictures", L"PowerPoint Document"}, "\\ppt\\media", PresentationBlips},
    {BinaryKind::WordDocument, {L"WordDocument", L"WordDocument"}, "\\word\\media", WordDocumentBlips},
    {BinaryKind::Workbook, {L"Workbook", L"Book"}, "\\xl\\media", WorkbookBlips},
};

const KindReader* ReaderOf(const CompoundDocument& document)
{
    for (const KindReader& reader : kKinds) {
        if (document.OpenStream(reader.streams[0]) || document.OpenStream(reader.streams[1])) return &reader;
    }
    return nullptr;
}

Text FallbackCopy(const Text& scratchFolder) { return JoinTexts({scratchFolder, "\\document.bin"}); }

}  // namespace

BinaryKind BinaryKindOf(const CompoundDocument& document)
{
    if (IsEncrypted(document)) return BinaryKind::Encrypted;
    const KindReader* reader = ReaderOf(document);
    return reader ? reader->kind : BinaryKind::NotADocument;
}

std::optional<BinaryKind> BinaryKindOfFile(const Text& document, const Text& fallbackCopy)
{
    const std::optional<CompoundDocument> storage = CompoundDocument::Open(document, fallbackCopy);
    if (!storage) return std::nullopt;
    return BinaryKindOf(*storage);
}

BinaryPicturesResult WriteBinaryDocumentPictures(const Text& document, const std::optional<Text>& mediaFolderOfName,
                                                 const Text& scratchFolder, const PicturesProgress& progress)
{
    BinaryPicturesResult result;
    // A copy of a document another program holds takes the first part of
    // the progress.
    int copyShare = 0;
    const auto copied = [&](std::uint64_t done, std::uint64_t total) {
        copyShare = kCopyShare;
        return !progress || progress(static_cast<int>(done * kCopyShare / std::max<std::uint64_t>(total, 1)));
    };
    const std::optional<CompoundDocument> storage =
        CompoundDocument::Open(document, FallbackCopy(scratchFolder), copied, &result.stopped);
    if (!storage || IsEncrypted(*storage)) return result;
    const KindReader* reader = ReaderOf(*storage);
    if (!reader) return result;
    const PicturesProgress picturesProgress = [&](int percent) {
        return !progress || progress(copyShare + percent * (100 - copyShare) / 100);
    };
    // Every picture is looked at before any is written: a damaged one, or
    // pictures that do not fit in the free space, fail the run with nothing
    // written.
    PictureSizes sizes;
    reader->blips(*storage, sizes);
    if (sizes.damaged() || !HasRoomFor(scratchFolder, sizes.bytes(), sizes.files())) return result;
    const Text mediaFolder = mediaFolderOfName.value_or(reader->mediaFolder);
    PictureFolder folder(scratchFolder, mediaFolder, sizes.bytes(), picturesProgress);
    reader->blips(*storage, folder);
    result.ok = !folder.failed();
    result.stopped = folder.stopped();
    if (folder.count() > 0) result.packageFolder = mediaFolder;
    return result;
}

}  // namespace dovrel
