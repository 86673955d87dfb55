// Drawing records of old binary documents: the BLIP store walk, the entry
// walk with delay-stream reads, and every BLIP turned into file bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/compound/office_art.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The input doubles as the delay stream that store entries point into.
    const dovrel::DelayRead delay = [bytes](std::uint32_t offset, std::uint32_t count) -> std::optional<std::string> {
        if (offset > bytes.size() || count > bytes.size() - offset) return std::nullopt;
        return std::string(bytes.substr(offset, count));
    };
    const dovrel::BlipVisitor visit = [](std::string_view blip) {
        (void)dovrel::PictureFromBlip(blip);
        return true;
    };
    dovrel::ForEachStoreBlip(bytes, delay, visit);
    dovrel::ForEachEntryBlip(bytes, delay, visit);
    (void)dovrel::PictureFromBlip(bytes);
    return 0;
}
