#pragma once
// The document read a window at a time: a zip entry's data is inflated or
// written straight from the window, whose size bounds the memory the
// extraction takes whatever the archive's size, and structured storage's
// sector-sized reads of a compound file are served from it.
//
// Read, never mapped: a mapped page that cannot be read (a file cut shorter
// or removed by a sync client or an editor, a network share that drops, a
// USB stick pulled out) is an access fault that ends the program, a read is
// an error the job reports; and a mapping would refuse an editor's save of
// the document while it is read.

#include <cstdint>
#include <vector>

#include "core/base/random_access_bytes.h"

namespace dovrel {

class ArchiveView {
public:
    // in: source, the archive; it must outlive the view's use. The size is
    // the source's at this call: nothing past it is ever touched, whatever a
    // header states, and a file cut shorter since gives shorter pieces, then
    // none.
    void Open(const RandomAccessBytes& source);
    void Close();
    std::uint64_t size() const { return size_; }

    struct Piece {
        const unsigned char* bytes = nullptr;
        std::size_t count = 0;  // 0: offset at or past the end, or no view
    };
    // in: offset, count > 0. The bytes from offset on, at most count of
    // them, as many as the window holding offset has before the end of the
    // file; the next call may move the window, ending this piece. No bytes
    // when the read fails.
    Piece At(std::uint64_t offset, std::uint64_t count);

private:
    const RandomAccessBytes* source_ = nullptr;
    std::vector<unsigned char> buffer_;  // the window
    std::uint64_t size_ = 0;
    std::uint64_t viewStart_ = 0;
    std::uint64_t viewEnd_ = 0;
};

}  // namespace dovrel
