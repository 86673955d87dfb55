#include "core/zip/entry_data.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <functional>

#include "core/fs/volume.h"
#include "core/zip/crc32.h"

namespace dovrel {

namespace {

constexpr std::size_t kOutputSize =
    256 * 1024;  // one write, and one progress report, at a time (64 KB writes took 12 % longer under Wine)
// Input handed to inflate at once: all the window has, within uInt.
constexpr std::uint64_t kInputPiece = UINT_MAX;

// Where the bytes go: a file, or memory.
using Sink = std::function<bool(const unsigned char*, std::size_t)>;

class Output {
public:
    Output(const Sink& sink, std::uint64_t size, Progress* progress) : sink_(sink), size_(size), progress_(progress) {}
    // Writes count bytes; tells the caller unless they are the last.
    bool Write(const unsigned char* bytes, std::size_t count, bool last)
    {
        crc_ = UpdateCrc32(crc_, bytes, count);
        produced_ += count;
        if (!sink_(bytes, count)) return false;
        if (!last && progress_ && !progress_->Report(std::min(produced_, size_), size_)) stopped_ = true;
        return true;
    }
    std::uint64_t produced() const { return produced_; }
    std::uint32_t crc() const { return crc_; }
    bool stopped() const { return stopped_; }

private:
    const Sink& sink_;
    std::uint64_t size_;
    Progress* progress_;
    std::uint64_t produced_ = 0;
    std::uint32_t crc_ = 0;
    bool stopped_ = false;
};

// Stored bytes go from the mapped archive to the file as they are.
bool CopyStored(ArchiveView& archive, const ZipEntryInfo& info, Output& output)
{
    std::uint64_t left = info.uncompressedSize;
    std::uint64_t offset = info.dataStart;
    while (left > 0 && !output.stopped()) {
        const ArchiveView::Piece piece = archive.At(offset, std::min<std::uint64_t>(left, kOutputSize));
        if (piece.count == 0) return false;  // the data runs past the archive's end
        offset += piece.count;
        left -= piece.count;
        if (!output.Write(piece.bytes, piece.count, left == 0)) return false;
    }
    return true;
}

bool CopyDeflated(ArchiveView& archive, const ZipEntryInfo& info, unsigned char* buffer, Output& output)
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
            const ArchiveView::Piece piece = archive.At(offset, std::min(inputLeft, kInputPiece));
            if (piece.count == 0) {  // the data runs past the archive's end
                ok = false;
                break;
            }
            offset += piece.count;
            inputLeft -= piece.count;
            stream.next_in = const_cast<Bytef*>(piece.bytes);  // zlib only reads it
            stream.avail_in = static_cast<uInt>(piece.count);
        }
        // Never more than the declared size, as a bomb would have it.
        const auto room = static_cast<uInt>(std::min<std::uint64_t>(outputLeft, kOutputSize));
        stream.next_out = buffer;
        stream.avail_out = room;
        const int status = inflate(&stream, Z_NO_FLUSH);
        const std::size_t filled = room - stream.avail_out;
        outputLeft -= filled;
        if (filled > 0 && !output.Write(buffer, filled, outputLeft == 0)) {
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

EntryCopy Copy(ArchiveView& archive, const ZipEntryInfo& info, const Sink& sink, Progress* progress,
               std::vector<unsigned char>& buffer)
{
    Output output(sink, info.uncompressedSize, progress);
    bool ok = false;
    if (info.method == 0) {
        ok = CopyStored(archive, info, output);
    } else {
        // No more than the entry needs: a fresh 256 KB is mapped anew and
        // costs its page faults, for a part of a few hundred bytes.
        const auto needed = static_cast<std::size_t>(std::min<std::uint64_t>(info.uncompressedSize, kOutputSize));
        if (buffer.size() < needed) buffer.resize(needed);
        ok = CopyDeflated(archive, info, buffer.data(), output);
    }
    if (output.stopped()) return EntryCopy::Stopped;
    if (!ok || output.produced() != info.uncompressedSize || output.crc() != info.crc) return EntryCopy::Failed;
    return EntryCopy::Copied;
}

}  // namespace

EntryCopy CopyEntryData(ArchiveView& archive, const ZipEntryInfo& info, HANDLE out, Progress* progress,
                        std::vector<unsigned char>& buffer)
{
    return Copy(
        archive, info, [out](const unsigned char* bytes, std::size_t count) { return WriteToFile(out, bytes, count); },
        progress, buffer);
}

EntryCopy CopyEntryData(ArchiveView& archive, const ZipEntryInfo& info, std::string& out,
                        std::vector<unsigned char>& buffer)
{
    out.clear();
    return Copy(
        archive, info,
        [&out](const unsigned char* bytes, std::size_t count) {
            out.append(reinterpret_cast<const char*>(bytes), count);
            return true;
        },
        nullptr, buffer);
}

}  // namespace dovrel
