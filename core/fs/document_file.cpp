#include "core/fs/document_file.h"

#include <algorithm>

#include "core/fs/disk_file.h"

namespace dovrel {

namespace {

constexpr std::size_t kLargestRead = 1u << 30;

}  // namespace

DocumentFile DocumentFile::Open(const Text& path, DWORD share)
{
    DocumentFile document;
    document.file_ = OpenDiskFileForReading(path, share, FILE_FLAG_SEQUENTIAL_SCAN);
    if (document.file_) document.path_ = path;
    return document;
}

DocumentFile DocumentFile::Duplicate() const
{
    DocumentFile copy;
    HANDLE handle = nullptr;
    if (file_ && DuplicateHandle(GetCurrentProcess(), file_.get(), GetCurrentProcess(), &handle, 0, FALSE,
                                 DUPLICATE_SAME_ACCESS)) {
        copy.file_ = UniqueFile(handle);
        copy.path_ = path_;
    }
    return copy;
}

std::uint64_t DocumentFile::size() const
{
    LARGE_INTEGER size;
    if (!file_ || !GetFileSizeEx(file_.get(), &size) || size.QuadPart < 0) return 0;
    return static_cast<std::uint64_t>(size.QuadPart);
}

// A read at an offset of its own (the handle's position is shared by every
// reader and trusted by none).
std::size_t DocumentFile::ReadAt(std::uint64_t offset, void* into, std::size_t count) const
{
    if (!file_ || count == 0) return 0;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    if (!ReadFile(file_.get(), into, static_cast<DWORD>(std::min(count, kLargestRead)), &read, &at)) return 0;
    return read;
}

}  // namespace dovrel
