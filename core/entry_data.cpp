#include "core/entry_data.h"

#include <zlib.h>

#include <algorithm>

namespace dovrel {

namespace {

constexpr std::size_t kInputSize = 256 * 1024;
constexpr std::size_t kOutputSize = 64 * 1024;  // one write, and one progress report, at a time

// Reads count bytes at offset; false unless all of them arrived.
bool ReadAt(HANDLE archive, std::uint64_t offset, char* into, DWORD count)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    return ReadFile(archive, into, count, &read, &at) && read == count;
}

bool WriteAll(HANDLE out, const char* bytes, std::size_t count)
{
    DWORD written = 0;
    return count == 0 || (WriteFile(out, bytes, static_cast<DWORD>(count), &written, nullptr) && written == count);
}

class Output {
public:
    Output(HANDLE out, char* buffer, const std::function<bool(std::uint64_t)>& written)
        : out_(out), buffer_(buffer), written_(written)
    {
    }
    // Writes what the buffer holds; tells the caller unless it is the last.
    bool Flush(std::size_t filled, bool last)
    {
        crc_ = crc32(crc_, reinterpret_cast<const Bytef*>(buffer_), static_cast<uInt>(filled));
        produced_ += filled;
        if (!WriteAll(out_, buffer_, filled)) return false;
        if (!last && written_ && !written_(produced_)) stopped_ = true;
        return true;
    }
    std::uint64_t produced() const { return produced_; }
    uLong crc() const { return crc_; }
    bool stopped() const { return stopped_; }

private:
    HANDLE out_;
    char* buffer_;
    const std::function<bool(std::uint64_t)>& written_;
    std::uint64_t produced_ = 0;
    uLong crc_ = crc32(0, Z_NULL, 0);
    bool stopped_ = false;
};

bool CopyStored(HANDLE archive, const ZipEntryInfo& info, char* buffer, Output& output)
{
    std::uint64_t left = info.uncompressedSize;
    std::uint64_t offset = info.dataStart;
    while (left > 0 && !output.stopped()) {
        const auto piece = static_cast<DWORD>(std::min<std::uint64_t>(left, kOutputSize));
        if (!ReadAt(archive, offset, buffer, piece)) return false;
        offset += piece;
        left -= piece;
        if (!output.Flush(piece, left == 0)) return false;
    }
    return true;
}

bool CopyDeflated(HANDLE archive, const ZipEntryInfo& info, char* input, char* buffer, Output& output)
{
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
    std::uint64_t inputLeft = info.compressedSize;
    std::uint64_t offset = info.dataStart;
    std::uint64_t outputLeft = info.uncompressedSize;
    bool ok = true;
    while (outputLeft > 0 && !output.stopped()) {
        if (stream.avail_in == 0) {
            if (inputLeft == 0) break;  // the data ends before the declared size: found short below
            const auto piece = static_cast<DWORD>(std::min<std::uint64_t>(inputLeft, kInputSize));
            if (!ReadAt(archive, offset, input, piece)) {
                ok = false;
                break;
            }
            offset += piece;
            inputLeft -= piece;
            stream.next_in = reinterpret_cast<Bytef*>(input);
            stream.avail_in = piece;
        }
        // Never more than the declared size, as a bomb would have it.
        const auto room = static_cast<uInt>(std::min<std::uint64_t>(outputLeft, kOutputSize));
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = room;
        const int status = inflate(&stream, Z_NO_FLUSH);
        const std::size_t filled = room - stream.avail_out;
        outputLeft -= filled;
        if (filled > 0 && !output.Flush(filled, outputLeft == 0)) {
            ok = false;
            break;
        }
        if (status == Z_STREAM_END) break;
        if (status != Z_OK && !(status == Z_BUF_ERROR && filled == 0 && stream.avail_in == 0)) {
            ok = false;
            break;
        }
    }
    inflateEnd(&stream);
    return ok;
}

}  // namespace

EntryCopy CopyEntryData(HANDLE archive, const ZipEntryInfo& info, HANDLE out,
                        const std::function<bool(std::uint64_t)>& written, std::vector<char>& buffer)
{
    buffer.resize(kInputSize + kOutputSize);
    char* input = buffer.data();
    char* outputBuffer = buffer.data() + kInputSize;
    Output output(out, outputBuffer, written);
    const bool ok = info.method == 0 ? CopyStored(archive, info, outputBuffer, output)
                                     : CopyDeflated(archive, info, input, outputBuffer, output);
    if (output.stopped()) return EntryCopy::Stopped;
    if (!ok || output.produced() != info.uncompressedSize || output.crc() != info.crc) return EntryCopy::Failed;
    return EntryCopy::Copied;
}

}  // namespace dovrel
