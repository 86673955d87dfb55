// The part of the entry rules that needs Windows' own date conversion.
#include "core/zip/zip_entry_info.h"

#include <windows.h>

namespace dovrel {

std::uint64_t DosStampToFileTime(std::uint32_t dosStamp)
{
    FILETIME time;
    if (!DosDateTimeToFileTime(static_cast<WORD>(dosStamp >> 16), static_cast<WORD>(dosStamp & 0xFFFF), &time))
        return 0;
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace dovrel
