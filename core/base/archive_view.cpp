#include "core/base/archive_view.h"

#include <algorithm>

namespace dovrel {

namespace {

constexpr std::uint64_t kReadWindowSize = 256u << 10;
// A view's first window is smaller: a buffer of 256 KB is mapped anew for
// each view, and its page faults cost a millisecond under Wine, more than
// a reader of one small part (the kind's sniffing) reads in all.
constexpr std::uint64_t kFirstWindowSize = 64u << 10;

}  // namespace

void ArchiveView::Open(const RandomAccessBytes& source)
{
    Close();
    size_ = source.size();
    source_ = &source;
}

void ArchiveView::Close()
{
    buffer_.clear();
    buffer_.shrink_to_fit();
    source_ = nullptr;
    size_ = viewStart_ = viewEnd_ = 0;
}

ArchiveView::Piece ArchiveView::At(std::uint64_t offset, std::uint64_t count)
{
    if (!source_ || offset >= size_ || count == 0) return {};
    if (buffer_.empty() || offset < viewStart_ || offset >= viewEnd_) {
        const std::uint64_t window = buffer_.empty() ? kFirstWindowSize : kReadWindowSize;
        viewStart_ = viewEnd_ = 0;
        buffer_.resize(window);
        const std::size_t wanted = static_cast<std::size_t>(std::min(window, size_ - offset));
        const std::size_t read = source_->ReadAt(offset, buffer_.data(), wanted);
        if (read == 0) return {};
        viewStart_ = offset;
        viewEnd_ = offset + read;
    }
    Piece piece;
    piece.bytes = buffer_.data() + (offset - viewStart_);
    piece.count = static_cast<std::size_t>(std::min(count, viewEnd_ - offset));
    return piece;
}

}  // namespace dovrel
