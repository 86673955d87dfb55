// Metafiles before GDI sees them: the gzip unpacking, the EMF record walk
// with its bitmap and EMF+ image detection, the WMF header and records, and
// the frame's pixel size.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/metafile/metafile_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<std::string> unpacked = dovrel::UnpackMetafile(bytes, 1u << 20);
    for (std::string_view input : {bytes, unpacked ? std::string_view(*unpacked) : std::string_view()}) {
        if (const std::optional<dovrel::MetafileLayout> layout = dovrel::ReadMetafileLayout(input))
            (void)dovrel::RenderSizeOf(layout->frame, 192, 4096);
    }
    return 0;
}
