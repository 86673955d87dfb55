// Drawing records of old binary documents: the BLIP store walk, the entry
// walk with delay-stream reads, the record walk, and every BLIP turned into
// file bytes piece by piece.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/compound/office_art.h"

namespace {

// Opens and writes every BLIP, as the job does, into nothing.
class Visitor final : public dovrel::BlipVisitor {
public:
    bool Blip(const dovrel::RecordHeader& header, dovrel::ByteSource& body) override
    {
        if (const std::optional<dovrel::BlipPicture> picture = dovrel::BlipPicture::Open(header, body)) {
            (void)picture->MostFileSize();
            (void)picture->Write(body, [](std::string_view) { return true; });
        }
        return true;
    }
    bool Damaged() override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The input doubles as the delay stream that store entries point into.
    const dovrel::DelayRead delay = [bytes](std::uint32_t offset, std::uint32_t count, dovrel::BlipVisitor& visit) {
        if (offset > bytes.size() || count > bytes.size() - offset) return visit.Damaged();
        dovrel::MemorySource blip(bytes.substr(offset, count));
        return dovrel::VisitBlipRecord(blip, count, visit);
    };
    Visitor visit;
    {
        dovrel::MemorySource source(bytes);
        dovrel::ForEachStoreBlip(source, bytes.size(), delay, visit);
    }
    {
        dovrel::MemorySource source(bytes);
        dovrel::ForEachEntryBlip(source, bytes.size(), delay, visit);
    }
    {
        dovrel::MemorySource source(bytes);
        dovrel::ForEachBlip(source, bytes.size(), visit);
    }
    (void)dovrel::PictureFromBlip(bytes);
    return 0;
}
