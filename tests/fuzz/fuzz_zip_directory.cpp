// A zip package's central directory, local headers, local extra fields and
// entry data, read through minizip from memory as the extraction reads a
// file: every entry's name is checked, its local header opened and its
// extended timestamp applied, and the start of its data inflated.
#include <minizip/unzip.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/zip/zip_entry_info.h"
#include "core/zip/zip_entry_name.h"

namespace {

struct Memory {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

voidpf OpenMemory(voidpf opaque, const void*, int) { return opaque; }

uLong ReadMemory(voidpf, voidpf stream, void* buffer, uLong count)
{
    auto* memory = static_cast<Memory*>(stream);
    const std::size_t n = std::min<std::size_t>(count, memory->size - memory->at);
    std::memcpy(buffer, memory->data + memory->at, n);
    memory->at += n;
    return static_cast<uLong>(n);
}

uLong WriteNothing(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T TellMemory(voidpf, voidpf stream) { return static_cast<Memory*>(stream)->at; }

long SeekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto* memory = static_cast<Memory*>(stream);
    ZPOS64_T base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = memory->at;
    if (origin == ZLIB_FILEFUNC_SEEK_END) base = memory->size;
    if (offset > memory->size || base > memory->size - offset) return -1;
    memory->at = static_cast<std::size_t>(base + offset);
    return 0;
}

int CloseMemory(voidpf, voidpf) { return 0; }
int NoError(voidpf, voidpf) { return 0; }

constexpr int kEntryLimit = 256;
constexpr unsigned kNameBuffer = 260;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Memory memory{data, size};
    zlib_filefunc64_def functions{};
    functions.zopen64_file = OpenMemory;
    functions.zread_file = ReadMemory;
    functions.zwrite_file = WriteNothing;
    functions.ztell64_file = TellMemory;
    functions.zseek64_file = SeekMemory;
    functions.zclose_file = CloseMemory;
    functions.zerror_file = NoError;
    functions.opaque = &memory;

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
