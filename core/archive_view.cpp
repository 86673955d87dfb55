#include "core/archive_view.h"

#include <algorithm>

namespace dovrel {

namespace {

constexpr std::uint64_t kWindowSize = 64ull << 20;

}  // namespace

bool ArchiveView::Open(HANDLE file)
{
    Close();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) return false;
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    granularity_ = std::max<std::uint64_t>(system.dwAllocationGranularity, 4096);
    if (size_ == 0) return true;  // a mapping of no bytes cannot be made
    // The mapping's size is the size read above: a file that grows later
    // shows no more than that, and one cut shorter is refused by Windows
    // while the mapping exists.
    mapping_ = UniqueHandle(CreateFileMappingA(file, nullptr, PAGE_READONLY, static_cast<DWORD>(size_ >> 32),
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
    size_ = viewStart_ = viewEnd_ = 0;
}

ArchiveView::Piece ArchiveView::At(std::uint64_t offset, std::uint64_t count)
{
    if (offset >= size_ || count == 0 || !mapping_) return {};
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
