// A compound file's header, DIFAT, FAT, mini FAT and directory tree, as the
// check before the platform's reader walks them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/compound/compound_file_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const dovrel::BytesInMemory file(std::string_view(reinterpret_cast<const char*>(data), size));
    (void)dovrel::CompoundChainsAreSound(file);
    return 0;
}
