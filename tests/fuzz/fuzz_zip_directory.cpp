// A zip package's central directory, local headers, local extra fields and
// entry data, read through minizip and the extraction's own buffered stream,
// from memory: every entry's name is checked, its local header opened and its
// extended timestamp applied, and the start of its data inflated.
#include <minizip/unzip.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/zip/zip_archive_stream.h"
#include "core/zip/zip_entry_info.h"
#include "core/zip/zip_entry_name.h"

namespace {

constexpr int kEntryLimit = 256;
constexpr unsigned kNameBuffer = 260;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const dovrel::BytesInMemory memory(std::string_view(reinterpret_cast<const char*>(data), size));
    zlib_filefunc64_def functions{};
    dovrel::FillArchiveStreamFunctions(functions, memory);

    unzFile archive = unzOpen2_64("", &functions);
    if (!archive) return 0;
    int entries = 0;
    for (int status = unzGoToFirstFile(archive); status == UNZ_OK && entries < kEntryLimit;
         status = unzGoToNextFile(archive), ++entries) {
        unz_file_info64 file;
        char name[kNameBuffer];
        if (unzGetCurrentFileInfo64(archive, &file, name, kNameBuffer, nullptr, 0, nullptr, 0) != UNZ_OK) break;
        (void)dovrel::IsSafeEntryName(std::string(name, std::min<uLong>(file.size_filename, kNameBuffer)));
        (void)dovrel::EntryAttributes(static_cast<std::uint32_t>(file.external_fa));
        if (file.compression_method != 0 && file.compression_method != Z_DEFLATED) continue;
        if (unzOpenCurrentFile(archive) != UNZ_OK) continue;
        const int extraSize = unzGetLocalExtrafield(archive, nullptr, 0);
        if (extraSize > 0) {
            std::string extra(static_cast<std::size_t>(extraSize), '\0');
            if (unzGetLocalExtrafield(archive, extra.data(), static_cast<unsigned>(extraSize)) == extraSize) {
                dovrel::ZipEntryInfo info;
                dovrel::ApplyExtendedTimestamp(extra, info);
            }
        }
        char buffer[4096];
        (void)unzReadCurrentFile(archive, buffer, sizeof buffer);
        unzCloseCurrentFile(archive);
    }
    unzClose(archive);
    return 0;
}
