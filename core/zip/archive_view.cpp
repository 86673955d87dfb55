#include "core/zip/archive_view.h"

#include <algorithm>

namespace dovrel {

namespace {

constexpr std::uint64_t kReadWindowSize = 256u << 10;

}  // namespace

bool ArchiveView::Open(HANDLE file)
{
    Close();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) return false;
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    file_ = file;
    return true;
}

void ArchiveView::Close()
{
    buffer_.clear();
    buffer_.shrink_to_fit();
    file_ = nullptr;
    size_ = viewStart_ = viewEnd_ = 0;
}

ArchiveView::Piece ArchiveView::At(std::uint64_t offset, std::uint64_t count)
{
    if (!file_ || offset >= size_ || count == 0) return {};
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

}  // namespace dovrel
