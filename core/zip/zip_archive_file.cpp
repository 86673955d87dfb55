#include "core/zip/zip_archive_file.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "core/base/unique_handle.h"
#include "core/fs/wide_path.h"
#include "core/fs/disk_file.h"

namespace dovrel {

namespace {

// Header reads fill a little of the buffer: between two of them minizip
// seeks across the archive, so a large fill would mostly be thrown away.
// Data reads (16 KB at a time, one after the other) fill all of it, and
// reads as large as the buffer bypass it.
constexpr std::size_t kHeaderFill = 4096;
constexpr std::size_t kBufferSize = 65536;

struct ArchiveFile {
    UniqueFile file;
    std::uint64_t size = 0;
    std::uint64_t position = 0;     // where minizip reads next
    std::uint64_t osPosition = 0;   // where the file's own pointer is
    std::uint64_t bufferStart = 0;  // file offset of buffer[0]
    std::size_t bufferLength = 0;
    int error = 0;
    char buffer[kBufferSize];
};

ArchiveFile* Of(voidpf stream) { return static_cast<ArchiveFile*>(stream); }

// Reads up to count bytes at the file's position; answers the count read.
DWORD ReadAt(ArchiveFile& archive, void* into, DWORD count)
{
    if (archive.osPosition != archive.position) {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(archive.position);
        if (!SetFilePointerEx(archive.file.get(), to, nullptr, FILE_BEGIN)) {
            archive.error = static_cast<int>(GetLastError());
            return 0;
        }
        archive.osPosition = archive.position;
    }
    DWORD read = 0;
    if (!ReadFile(archive.file.get(), into, count, &read, nullptr)) {
        DWORD error = GetLastError();
        if (error != ERROR_HANDLE_EOF) archive.error = static_cast<int>(error);
    }
    archive.osPosition += read;
    return read;
}

// opaque carries the share mode; none means sharing reading only.
voidpf ZCALLBACK OpenArchive(voidpf opaque, const void* path, int mode)
{
    if (!path || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    const DWORD share = opaque ? static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(opaque)) : FILE_SHARE_READ;
    UniqueFile file = OpenDiskFileForReading(static_cast<const char*>(path), share, FILE_FLAG_SEQUENTIAL_SCAN);
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.get(), &size)) return nullptr;
    auto* archive = new (std::nothrow) ArchiveFile;
    if (!archive) return nullptr;
    archive->file = std::move(file);
    archive->size = static_cast<std::uint64_t>(size.QuadPart);
    return archive;
}

uLong ZCALLBACK ReadArchive(voidpf, voidpf stream, void* into, uLong count)
{
    ArchiveFile& archive = *Of(stream);
    auto* out = static_cast<char*>(into);
    uLong served = 0;
    while (served < count) {
        std::uint64_t bufferEnd = archive.bufferStart + archive.bufferLength;
        if (archive.position >= archive.bufferStart && archive.position < bufferEnd) {
            auto at = static_cast<std::size_t>(archive.position - archive.bufferStart);
            std::size_t take = std::min<std::size_t>(archive.bufferLength - at, count - served);
            std::memcpy(out + served, archive.buffer + at, take);
            served += static_cast<uLong>(take);
            archive.position += take;
            continue;
        }
        uLong wanted = count - served;
        if (wanted >= kBufferSize) {
            DWORD read = ReadAt(archive, out + served, wanted);
            served += read;
            archive.position += read;
            break;  // all that was asked, or the end of the file
        }
        archive.bufferStart = archive.position;
        archive.bufferLength = ReadAt(archive, archive.buffer, wanted < kHeaderFill ? kHeaderFill : kBufferSize);
        if (archive.bufferLength == 0) break;
    }
    return served;
}

ZPOS64_T ZCALLBACK TellArchive(voidpf, voidpf stream) { return Of(stream)->position; }

long ZCALLBACK SeekArchive(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    ArchiveFile& archive = *Of(stream);
    std::uint64_t base;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = archive.position; break;
    case ZLIB_FILEFUNC_SEEK_END: base = archive.size; break;
    default: return -1;
    }
    // minizip passes backward moves as wrapped-around unsigned offsets.
    archive.position = base + offset;
    return 0;
}

int ZCALLBACK CloseArchive(voidpf, voidpf stream)
{
    delete Of(stream);
    return 0;
}

int ZCALLBACK ArchiveError(voidpf, voidpf stream) { return Of(stream)->error; }

}  // namespace

void FillArchiveFileFunctions(zlib_filefunc64_def& functions, unsigned long share)
{
    functions.zopen64_file = OpenArchive;
    functions.zread_file = ReadArchive;
    functions.zwrite_file = nullptr;
    functions.ztell64_file = TellArchive;
    functions.zseek64_file = SeekArchive;
    functions.zclose_file = CloseArchive;
    functions.zerror_file = ArchiveError;
    functions.opaque = reinterpret_cast<voidpf>(static_cast<std::uintptr_t>(share));
}

}  // namespace dovrel
