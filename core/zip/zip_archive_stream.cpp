#include "core/zip/zip_archive_stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

namespace dovrel {

namespace {

// Header reads fill a little of a buffer: minizip seeks across the archive
// between them (and back a kilobyte at a time looking for the end record of
// a damaged one), so a large fill would mostly be thrown away: 16 KB fills
// made the reading of fuzzed archives a third slower.
// Data reads (16 KB at a time, one after the other) fill all of it, and
// reads as large as the buffer bypass it.
constexpr std::size_t kHeaderFill = 4096;
constexpr std::size_t kBufferSize = 65536;

// Bytes of the source held from `start` on.
struct Window {
    std::uint64_t start = 0;
    std::size_t length = 0;
    char bytes[kBufferSize];
};

struct ArchiveStream {
    explicit ArchiveStream(const RandomAccessBytes& from) : source(from), size(from.size()) {}
    const RandomAccessBytes& source;
    std::uint64_t size;
    std::uint64_t position = 0;  // where minizip reads next
    int error = 0;
    // Reading every entry's headers, minizip goes from the central
    // directory to the entry's local header and back: each of the two
    // places keeps a window of its own, and a refill replaces the window
    // used less recently (with one, every entry cost two reads of the file).
    Window windows[2];
    int recent = 0;
};

ArchiveStream* Of(voidpf stream) { return static_cast<ArchiveStream*>(stream); }

// Up to count bytes at the stream's position; a read that ends before the
// source does is an error.
std::size_t ReadAt(ArchiveStream& stream, void* into, std::size_t count)
{
    const std::size_t read = stream.source.ReadAt(stream.position, into, count);
    if (read < count && stream.position + read < stream.size) stream.error = 1;
    return read;
}

voidpf ZCALLBACK OpenStream(voidpf opaque, const void*, int mode)
{
    if (!opaque || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    return new (std::nothrow) ArchiveStream(*static_cast<const RandomAccessBytes*>(opaque));
}

// The window holding the stream's position, or none.
Window* WindowAtPosition(ArchiveStream& stream)
{
    for (int i = 0; i < 2; ++i) {
        Window& window = stream.windows[i];
        if (stream.position >= window.start && stream.position - window.start < window.length) {
            stream.recent = i;
            return &window;
        }
    }
    return nullptr;
}

uLong ZCALLBACK ReadStream(voidpf, voidpf opened, void* into, uLong count)
{
    ArchiveStream& stream = *Of(opened);
    auto* out = static_cast<char*>(into);
    uLong served = 0;
    while (served < count) {
        if (const Window* window = WindowAtPosition(stream)) {
            auto at = static_cast<std::size_t>(stream.position - window->start);
            std::size_t take = std::min<std::size_t>(window->length - at, count - served);
            std::memcpy(out + served, window->bytes + at, take);
            served += static_cast<uLong>(take);
            stream.position += take;
            continue;
        }
        uLong wanted = count - served;
        if (wanted >= kBufferSize) {
            std::size_t read = ReadAt(stream, out + served, wanted);
            served += static_cast<uLong>(read);
            stream.position += read;
            break;  // all that was asked, or the end of the source
        }
        stream.recent = 1 - stream.recent;
        Window& window = stream.windows[stream.recent];
        window.start = stream.position;
        window.length = ReadAt(stream, window.bytes, wanted < kHeaderFill ? kHeaderFill : kBufferSize);
        if (window.length == 0) break;
    }
    return served;
}

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf stream) { return Of(stream)->position; }

long ZCALLBACK SeekStream(voidpf, voidpf opened, ZPOS64_T offset, int origin)
{
    ArchiveStream& stream = *Of(opened);
    std::uint64_t base;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = stream.position; break;
    case ZLIB_FILEFUNC_SEEK_END: base = stream.size; break;
    default: return -1;
    }
    // minizip passes backward moves as wrapped-around unsigned offsets.
    stream.position = base + offset;
    return 0;
}

int ZCALLBACK CloseStream(voidpf, voidpf stream)
{
    delete Of(stream);
    return 0;
}

int ZCALLBACK StreamError(voidpf, voidpf stream) { return Of(stream)->error; }

}  // namespace

void FillArchiveStreamFunctions(zlib_filefunc64_def& functions, const RandomAccessBytes& source)
{
    functions.zopen64_file = OpenStream;
    functions.zread_file = ReadStream;
    functions.zwrite_file = nullptr;
    functions.ztell64_file = TellStream;
    functions.zseek64_file = SeekStream;
    functions.zclose_file = CloseStream;
    functions.zerror_file = StreamError;
    functions.opaque = const_cast<RandomAccessBytes*>(&source);
}

}  // namespace dovrel
