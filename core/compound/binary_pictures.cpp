#include "core/compound/binary_pictures.h"

#include <windows.h>

#include <algorithm>
#include <set>
#include <string_view>
#include <vector>

#include "core/compound/compound_document.h"
#include "core/fs/file_ops.h"
#include "core/fs/folder_path.h"
#include "core/base/little_endian.h"
#include "core/compound/office_art.h"
#include "core/base/unique_handle.h"

namespace dovrel {

namespace {

// Bounds for what is read whole: a workbook's drawing group lies in its
// first part (the globals), a word-processing document's drawing group
// and picture descriptors are single structures.
constexpr std::uint64_t kWorkbookReadLimit = 256u << 20;
constexpr std::uint32_t kStructureLimit = 256u << 20;

// ---- Writing -----------------------------------------------------------------

bool WriteWholeFile(const Text& path, const std::string& bytes)
{
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    for (std::size_t done = 0; done < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written != chunk) {
            file.reset();
            RemoveFile(path);
            return false;
        }
        done += chunk;
    }
    return true;
}

// Each distinct picture once, numbered in the order they come.
class PictureFolder {
public:
    PictureFolder(Text scratchFolder, Text packageFolder, std::uint64_t documentSize, Progress* progress)
        : scratchFolder_(std::move(scratchFolder)), packageFolder_(std::move(packageFolder)),
          documentSize_(documentSize), progress_(progress)
    {
    }

    // false once a stop was asked for or a picture failed: the walk then ends.
    bool Add(std::string_view blip)
    {
        AddPicture(blip);
        seenBytes_ += blip.size();
        if (progress_ && !failed_ && !ReportPercent(*progress_, Percent())) stopped_ = true;
        return !stopped_ && !failed_;
    }

    int count() const { return count_; }
    bool failed() const { return failed_; }
    bool stopped() const { return stopped_; }

private:
    // The pictures make up most of an old document: their share of its
    // bytes is how far the work is. Never 100 before the end.
    int Percent() const
    {
        if (documentSize_ == 0) return 99;
        return static_cast<int>(std::min<std::uint64_t>(99, seenBytes_ * 100 / documentSize_));
    }

    void AddPicture(std::string_view blip)
    {
        std::optional<Picture> picture = PictureFromBlip(blip);
        // A damaged picture fails the run, as a damaged zip entry does.
        if (!picture) {
            failed_ = true;
            return;
        }
        if (!seen_.insert(picture->uid).second) return;
        if (count_ == 0) MakeFolder();
        const Text path =
            JoinTexts({scratchFolder_, packageFolder_, "\\image", ToText(count_ + 1), ".", picture->extension});
        if (WriteWholeFile(path, picture->bytes)) {
            ++count_;
        } else {
            failed_ = true;
        }
    }

    // A failure shows at the first picture's write.
    void MakeFolder() { CreateFolderPath(JoinTexts({scratchFolder_, packageFolder_})); }

    Text scratchFolder_;
    Text packageFolder_;
    std::uint64_t documentSize_;
    Progress* progress_;
    std::set<std::string> seen_;
    std::uint64_t seenBytes_ = 0;
    int count_ = 0;
    bool failed_ = false;
    bool stopped_ = false;
};

std::uint64_t FileSize(const Text& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// ---- The Word header, read once ------------------------------------------------

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

// The file information block, read once for the encryption check and the
// pictures.
struct WordHeader {
    bool encrypted = false;
    std::optional<WordLayout> layout;  // nothing when encrypted or cut short
};

// Nothing when the document has no WordDocument stream with Word's magic.
std::optional<WordHeader> ReadWordHeader(const CompoundDocument& document)
{
    constexpr std::size_t kHeadSize = 1024;
    constexpr std::uint16_t kWordMagic = 0xA5EC, kWordEncrypted = 0x0100, kWordTableOne = 0x0200;
    const std::optional<StorageStream> wordDocument = document.OpenStream(L"WordDocument");
    std::string fib;
    if (!wordDocument || !wordDocument->ReadAt(0, std::min<std::uint64_t>(kHeadSize, wordDocument->size()), fib) ||
        fib.size() < 12 || ReadLe16(fib, 0) != kWordMagic) {
        return std::nullopt;
    }
    WordHeader header;
    const std::uint16_t flags = ReadLe16(fib, 0x0A);
    header.encrypted = (flags & kWordEncrypted) != 0;
    if (header.encrypted) return header;  // nothing readable
    WordLayout layout;
    if (flags & kWordTableOne) layout.table = L"1Table";
    // FibBase, then three counted arrays: 16-bit values, 32-bit values, and
    // the (offset, size) pairs.
    std::size_t at = 32;
    if (at + 2 > fib.size()) return header;
    at += 2 + 2 * std::size_t{ReadLe16(fib, at)};
    if (at + 2 > fib.size()) return header;
    at += 2 + 4 * std::size_t{ReadLe16(fib, at)};
    if (at + 2 > fib.size()) return header;
    const std::size_t pairs = ReadLe16(fib, at);
    at += 2;
    auto pair = [&](std::size_t index) {
        const std::size_t where = at + index * 8;
        return index < pairs && where + 8 <= fib.size() ? FilePart{ReadLe32(fib, where), ReadLe32(fib, where + 4)}
                                                        : FilePart{};
    };
    layout.characterIndex = pair(12);
    layout.drawingGroup = pair(50);
    header.layout = layout;
    return header;
}

// The storage, and what the reading of its kind has already learned.
struct OpenedDocument {
    const CompoundDocument& storage;
    std::optional<WordHeader> word;
};

// ---- Presentations: the Pictures stream, BLIP after BLIP ---------------------

void PresentationBlips(const OpenedDocument& opened, const BlipVisitor& visit)
{
    const CompoundDocument& document = opened.storage;
    constexpr std::uint64_t kWindow = 1 << 16;
    const std::optional<StorageStream> pictures = document.OpenStream(L"Pictures");
    if (!pictures) return;
    // Headers come from a window read ahead, so a stream of many small
    // records costs few reads.
    std::string window;
    std::uint64_t windowStart = 0;
    std::string record;
    for (std::uint64_t offset = 0; offset < pictures->size();) {
        // The records fill the stream: a header cut short, or a record
        // running past the end, may be a picture's.
        if (pictures->size() - offset < kRecordHeaderSize) {
            visit({});
            return;
        }
        if (offset < windowStart || offset + kRecordHeaderSize > windowStart + window.size()) {
            windowStart = offset;
            if (!pictures->ReadAt(offset, std::min(kWindow, pictures->size() - offset), window)) return;
        }
        const RecordHeader header = ParseRecordHeader(std::string_view(window).substr(offset - windowStart));
        const std::uint64_t end = offset + kRecordHeaderSize + std::uint64_t{header.length};
        if (end > pictures->size()) {
            visit({});
            return;
        }
        if (IsBlipType(header.type)) {
            // A record inside the window read ahead needs no read of its own.
            if (end <= windowStart + window.size()) {
                if (!visit(std::string_view(window).substr(offset - windowStart, end - offset))) return;
            } else if (!visit(pictures->ReadAt(offset, end - offset, record) ? std::string_view(record)
                                                                             : std::string_view())) {
                return;
            }
        }
        offset = end;
    }
}

// ---- Word-processing documents -------------------------------------------------

std::optional<std::string> ReadPart(const StorageStream& stream, FilePart part)
{
    std::string bytes;
    if (part.size == 0 || part.size > kStructureLimit || !stream.ReadAt(part.offset, part.size, bytes))
        return std::nullopt;
    return bytes;
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
bool InlinePictureBlips(const StorageStream& data, std::uint32_t offset, std::uint64_t& budget,
                        const BlipVisitor& visit)
{
    constexpr std::size_t kHeaderSize = 0x44;
    constexpr std::uint16_t kShapeFile = 0x66;
    std::string head;
    if (!data.ReadAt(offset, 6, head)) return visit({});
    // Another kind of object the text places, without pictures of its own.
    if (ReadLe16(head, 4) != kHeaderSize) return true;
    const std::uint32_t size = ReadLe32(head, 0);
    if (size < kHeaderSize || size > kStructureLimit || size > budget) return visit({});
    budget -= size;
    std::string descriptor;
    if (!data.ReadAt(offset, size, descriptor)) return visit({});
    std::size_t at = kHeaderSize;
    if (ReadLe16(descriptor, 6) == kShapeFile) {
        if (at >= descriptor.size()) return visit({});
        at += 1 + static_cast<unsigned char>(descriptor[at]);
    }
    if (at >= descriptor.size()) return true;  // a descriptor without a shape
    const std::string_view records = std::string_view(descriptor).substr(at);
    const std::optional<RecordHeader> shape = RecordAt(records, 0);
    if (!shape) return visit({});
    return ForEachEntryBlip(records.substr(kRecordHeaderSize + shape->length), nullptr, visit);
}

void WordDocumentBlips(const OpenedDocument& opened, const BlipVisitor& visit)
{
    const CompoundDocument& document = opened.storage;
    if (!opened.word || !opened.word->layout) return;
    const WordLayout* layout = &*opened.word->layout;
    const std::optional<StorageStream> wordDocument = document.OpenStream(L"WordDocument");
    if (!wordDocument) return;
    const std::optional<StorageStream> table = document.OpenStream(layout->table);
    if (!table) return;

    // Floating pictures: the store, with the BLIPs in WordDocument at the
    // entries' delay offsets.
    // (Entries never share their BLIPs' bytes, so together they read no more
    // than the stream holds.)
    std::optional<std::string> group = ReadPart(*table, layout->drawingGroup);
    if (!group && layout->drawingGroup.size != 0 && !visit({})) return;
    if (group) {
        std::uint64_t budget = wordDocument->size();
        const bool goOn = ForEachStoreBlip(
            *group,
            [&](std::uint32_t offset, std::uint32_t size) -> std::optional<std::string> {
                std::string blip;
                if (size > budget || !wordDocument->ReadAt(offset, size, blip)) return std::nullopt;
                budget -= size;
                return blip;
            },
            visit);
        if (!goOn) return;
    }
    // Inline pictures: the descriptors in Data that the text points at.
    const std::optional<StorageStream> data = document.OpenStream(L"Data");
    const std::optional<std::string> index = ReadPart(*table, layout->characterIndex);
    if (!data || !index) return;
    std::uint64_t budget = data->size();
    for (std::uint32_t offset : InlinePictureOffsets(*wordDocument, *index)) {
        if (!InlinePictureBlips(*data, offset, budget, visit)) return;
    }
}

// ---- Workbooks: the drawing group record and its continuations ---------------

void WorkbookBlips(const OpenedDocument& opened, const BlipVisitor& visit)
{
    const CompoundDocument& document = opened.storage;
    constexpr std::uint16_t kDrawingGroupRecord = 0x00EB;
    constexpr std::uint16_t kContinue = 0x003C;
    constexpr std::uint16_t kEndOfGlobals = 0x000A;
    std::optional<StorageStream> stream = document.OpenStream(L"Workbook");
    if (!stream) stream = document.OpenStream(L"Book");
    if (!stream) return;
    std::string book;
    if (!stream->ReadAt(0, std::min(stream->size(), kWorkbookReadLimit), book)) return;

    std::string group;
    bool collecting = false;
    for (std::size_t at = 0; at + 4 <= book.size();) {
        const std::uint16_t type = ReadLe16(book, at);
        const std::size_t length = ReadLe16(book, at + 2);
        // A record running past the end may hold pictures.
        if (length > book.size() - at - 4) {
            visit({});
            return;
        }
        if (type == kDrawingGroupRecord || (collecting && type == kContinue)) {
            group.append(book, at + 4, length);
            collecting = true;
        } else if (collecting || type == kEndOfGlobals) {
            break;
        }
        at += 4 + length;
    }
    ForEachStoreBlip(group, nullptr, visit);
}

// ---- Encryption ------------------------------------------------------------------

// An encrypted document keeps its pictures encrypted too: the user is told
// so instead of being left with silence. A password-protected .docx, .xlsx
// or .pptx is such a compound file (its package in "EncryptedPackage").
bool IsEncrypted(const OpenedDocument& opened)
{
    constexpr std::uint16_t kFilePass = 0x002F, kEndOfGlobals = 0x000A;
    constexpr int kGlobalsLooked = 64;
    const CompoundDocument& document = opened.storage;
    if (document.OpenStream(L"EncryptedPackage") || document.OpenStream(L"EncryptedSummary")) return true;
    if (opened.word && opened.word->encrypted) return true;
    std::string head;
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

struct BinaryKind {
    const wchar_t* streams[2];  // either one shows the kind
    const char* mediaFolder;    // for an extension of no known kind
    void (*blips)(const OpenedDocument&, const BlipVisitor&);
};

constexpr BinaryKind kKinds[] = {
    {{L"Pictures", L"PowerPoint Document"}, "\\ppt\\media", PresentationBlips},
    {{L"WordDocument", L"WordDocument"}, "\\word\\media", WordDocumentBlips},
    {{L"Workbook", L"Book"}, "\\xl\\media", WorkbookBlips},
};

}  // namespace

BinaryPicturesResult WriteBinaryDocumentPictures(const Text& document, const std::optional<Text>& mediaFolderOfName,
                                                 const Text& scratchFolder, Progress* progress)
{
    BinaryPicturesResult result;
    const std::optional<CompoundDocument> storage =
        CompoundDocument::Open(document, JoinTexts({scratchFolder, "\\document.bin"}));
    if (!storage) return result;
    const OpenedDocument opened{*storage, ReadWordHeader(*storage)};
    if (IsEncrypted(opened)) return result;
    result.ok = true;
    for (const BinaryKind& kind : kKinds) {
        if (!storage->OpenStream(kind.streams[0]) && !storage->OpenStream(kind.streams[1])) continue;
        const Text mediaFolder = mediaFolderOfName.value_or(kind.mediaFolder);
        PictureFolder folder(scratchFolder, mediaFolder, FileSize(document), progress);
        kind.blips(opened, [&folder](std::string_view blip) { return folder.Add(blip); });
        if (folder.failed()) result.ok = false;
        result.stopped = folder.stopped();
        if (folder.count() > 0) result.packageFolder = mediaFolder;
        break;
    }
    return result;
}

}  // namespace dovrel
