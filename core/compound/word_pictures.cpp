// Word-processing documents: the floating pictures in the drawing group of
// the table stream, the inline ones in the Data stream.

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/base/little_endian.h"
#include "core/compound/binary_families.h"
#include "core/compound/picture_folder.h"

namespace dovrel {

namespace {

// The character-formatting index is read whole: eight bytes a page of
// text properties.
constexpr std::uint32_t kIndexLimit = 16u << 20;

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

}  // namespace

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

void WordDocumentBlips(const OpenedDocument& opened, BlipVisitor& visit)
{
    if (!opened.word || !opened.word->layout) return;
    const CompoundDocument& document = opened.storage;
    const WordLayout* layout = &*opened.word->layout;
    const std::optional<StorageStream> wordDocument = document.OpenStream(L"WordDocument");
    if (!wordDocument) return;
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

}  // namespace dovrel
