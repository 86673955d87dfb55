#include "core/compound/picture_folder.h"

#include <windows.h>

#include <algorithm>
#include <string_view>
#include <utility>

#include "core/base/unique_handle.h"
#include "core/fs/file_ops.h"
#include "core/fs/folder_path.h"
#include "core/fs/volume.h"
#include "core/fs/wide_path.h"

namespace dovrel {

namespace {

// What one read of a stream takes at once.
constexpr std::size_t kStreamReadSize = 256 * 1024;

}  // namespace

// ---- Reading ------------------------------------------------------------------

StreamSource::StreamSource(const StorageStream& stream, std::uint64_t start, std::uint64_t length)
    : stream_(stream), next_(start),
      end_(start <= stream.size() ? std::min(length, stream.size() - start) + start : start)
{
}

bool StreamSource::Read(std::size_t count, std::string& bytes)
{
    bytes.clear();
    if (count > left()) return false;
    while (bytes.size() < count) {
        if (at_ == buffer_.size() && !Refill()) return false;
        const std::size_t take = std::min(count - bytes.size(), buffer_.size() - at_);
        bytes.append(buffer_, at_, take);
        at_ += take;
    }
    return true;
}

bool StreamSource::Skip(std::uint64_t count)
{
    if (count > left()) return false;
    const std::uint64_t buffered = buffer_.size() - at_;
    if (count <= buffered) {
        at_ += static_cast<std::size_t>(count);
    } else {
        next_ += count - buffered;
        buffer_.clear();
        at_ = 0;
    }
    return true;
}

bool StreamSource::Refill()
{
    buffer_.clear();
    at_ = 0;
    const std::uint64_t count = std::min<std::uint64_t>(kStreamReadSize, end_ - next_);
    if (count == 0 || !stream_.ReadAt(next_, count, buffer_)) return false;
    next_ += count;
    return true;
}

// ---- Sizing -------------------------------------------------------------------

bool PictureSizes::Blip(const RecordHeader& header, ByteSource& body)
{
    const std::optional<BlipPicture> picture = BlipPicture::Open(header, body);
    if (!picture) return Damaged();
    if (seen_.insert(picture->uid()).second) {
        bytes_ += picture->MostFileSize();
        ++files_;
    }
    return true;
}

bool PictureSizes::Damaged()
{
    damaged_ = true;
    return false;
}

// ---- Writing ------------------------------------------------------------------

PictureFolder::PictureFolder(Text scratchFolder, Text packageFolder, std::uint64_t totalBytes, Progress* progress)
    : scratchFolder_(std::move(scratchFolder)), packageFolder_(std::move(packageFolder)), totalBytes_(totalBytes),
      progress_(progress)
{
}

bool PictureFolder::Blip(const RecordHeader& header, ByteSource& body)
{
    const std::optional<BlipPicture> picture = BlipPicture::Open(header, body);
    if (!picture) return Damaged();
    if (seen_.insert(picture->uid()).second && !WritePicture(*picture, body)) failed_ = true;
    return !stopped_ && !failed_ && Tell();
}

bool PictureFolder::Damaged()
{
    failed_ = true;
    return false;
}

bool PictureFolder::WritePicture(const BlipPicture& picture, ByteSource& body)
{
    // A failure shows at the first picture's write.
    if (count_ == 0) CreateFolderPath(JoinTexts({scratchFolder_, packageFolder_}));
    const Text path =
        JoinTexts({scratchFolder_, packageFolder_, "\\image", ToText(count_ + 1), ".", picture.extension()});
    UniqueFile file(
        CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const BlipPicture::Outcome outcome = picture.Write(body, [&](std::string_view piece) {
        writtenBytes_ += piece.size();
        return WriteToFile(file.get(), piece.data(), piece.size()) && Tell();
    });
    if (outcome == BlipPicture::Outcome::Written && CloseHandle(file.release())) {
        ++count_;
        return true;
    }
    file.reset();
    RemoveFile(path);
    return stopped_;
}

bool PictureFolder::Tell()
{
    if (!progress_ || stopped_) return !stopped_;
    const std::uint64_t percent =
        totalBytes_ == 0 ? 99 : std::min<std::uint64_t>(99, writtenBytes_ * 100 / totalBytes_);
    if (!ReportPercent(*progress_, static_cast<int>(percent))) stopped_ = true;
    return !stopped_;
}

}  // namespace dovrel
