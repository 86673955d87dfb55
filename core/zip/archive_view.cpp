#include "core/zip/archive_view.h"
#include "core/fs/wide_path.h"

#include <algorithm>

namespace dovrel {

namespace {

constexpr std::uint64_t kWindowSize = 64ull << 20;
constexpr std::uint64_t kReadWindowSize = 256u << 10;

}  // namespace

bool IsOnLocalFixedDisk(const Text& path)
{
    wchar_t volume[MAX_PATH];
    if (!GetVolumePathNameW(WidePath(path).c_str(), volume, MAX_PATH)) return false;
    return GetDriveTypeW(volume) == DRIVE_FIXED;
}

bool ArchiveView::Open(HANDLE file, Access access)
{
    Close();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) return false;
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    file_ = file;
    access_ = access;
    if (access_ == Access::Read) return true;
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    granularity_ = std::max<std::uint64_t>(system.dwAllocationGranularity, 4096);
    if (size_ == 0) return true;  // a mapping of no bytes cannot be made
    // The mapping's size is the size read above: a file that grows later
    // shows no more than that, and one cut shorter is refused by Windows
    // while the mapping exists.
    mapping_ = UniqueHandle(CreateFileMappingW(file, nullptr, PAGE_READONLY, static_cast<DWORD>(size_ >> 32),
                                               static_cast<DWORD>(size_), nullptr));
    if (!mapping_) {
        size_ = 0;
        return false;
    }
    return true;
}

void ArchiveView::Close()
{
    view_.reset();
    mapping_.reset();
    buffer_.clear();
    buffer_.shrink_to_fit();
    file_ = nullptr;
    size_ = viewStart_ = viewEnd_ = 0;
}

ArchiveView::Piece ArchiveView::ReadWindow(std::uint64_t offset, std::uint64_t count)
{
    if (buffer_.empty() || offset < viewStart_ || offset >= viewEnd_) {
        viewStart_ = viewEnd_ = 0;
        buffer_.resize(kReadWindowSize);
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        const DWORD wanted = static_cast<DWORD>(std::min(kReadWindowSize, size_ - offset));
        DWORD read = 0;
        if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) ||
            !ReadFile(file_, buffer_.data(), wanted, &read, nullptr) || read == 0)
            return {};
        viewStart_ = offset;
        viewEnd_ = offset + read;
    }
    Piece piece;
    piece.bytes = buffer_.data() + (offset - viewStart_);
    piece.count = static_cast<std::size_t>(std::min(count, viewEnd_ - offset));
    return piece;
}

ArchiveView::Piece ArchiveView::At(std::uint64_t offset, std::uint64_t count)
{
    if (offset >= size_ || count == 0) return {};
    if (access_ == Access::Read) return ReadWindow(offset, count);
    if (!mapping_) return {};
    if (!view_ || offset < viewStart_ || offset >= viewEnd_) {
        view_.reset();
        viewStart_ = offset - offset % granularity_;
        viewEnd_ = std::min(size_, viewStart_ + kWindowSize);
        view_ = UniqueView(MapViewOfFile(mapping_.get(), FILE_MAP_READ, static_cast<DWORD>(viewStart_ >> 32),
                                         static_cast<DWORD>(viewStart_), static_cast<SIZE_T>(viewEnd_ - viewStart_)));
        if (!view_) {
            viewStart_ = viewEnd_ = 0;
            return {};
        }
    }
    Piece piece;
    piece.bytes = static_cast<const unsigned char*>(view_.get()) + (offset - viewStart_);
    piece.count = static_cast<std::size_t>(std::min(count, viewEnd_ - offset));
    return piece;
}

}  // namespace dovrel
