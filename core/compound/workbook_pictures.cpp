// Workbooks: the drawing group record and its continuations.

#include <algorithm>
#include <cstdint>
#include <string>

#include "core/base/little_endian.h"
#include "core/compound/binary_families.h"
#include "core/compound/picture_folder.h"

namespace dovrel {

namespace {

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

}  // namespace

void WorkbookBlips(const OpenedDocument& opened, BlipVisitor& visit)
{
    const CompoundDocument& document = opened.storage;
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

}  // namespace dovrel
