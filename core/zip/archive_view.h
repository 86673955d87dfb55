#pragma once
// The archive file read through a mapped view: entry data is inflated or
// written straight from the page cache, with no copy into a buffer first.
// One window of at most 64 MB is mapped at a time, so the address space the
// extraction takes stays small whatever the archive's size; the mapped pages
// are the file's, not private memory.
//
// A mapped page that cannot be read (a network share that drops, a USB
// stick pulled out) is an access fault, not an error code, so a file that
// is not on a local fixed disk is read instead, a small window at a time.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "core/text/text.h"
#include "core/base/unique_handle.h"

namespace dovrel {

// Whether the file at path lies on a local fixed disk, where mapping it is safe.
bool IsOnLocalFixedDisk(const Text& path);

class ArchiveView {
public:
    enum class Access { Mapped, Read };

    // in: file, open for reading; it must stay open while the view is used.
    // The size is the file's at this call: nothing past it is ever touched,
    // whatever a header states. false when the file cannot be mapped (an
    // empty file is mapped as one with no bytes).
    bool Open(HANDLE file, Access access = Access::Mapped);
    void Close();
    std::uint64_t size() const { return size_; }

    struct Piece {
        const unsigned char* bytes = nullptr;
        std::size_t count = 0;  // 0: offset at or past the end, or no view
    };
    // in: offset, count > 0. The bytes from offset on, at most count of
    // them, as many as the window holding offset has before the end of the
    // file; the next call may move the window, ending this piece.
    Piece At(std::uint64_t offset, std::uint64_t count);

private:
    Piece ReadWindow(std::uint64_t offset, std::uint64_t count);

    HANDLE file_ = nullptr;  // not owned
    Access access_ = Access::Mapped;
    std::vector<unsigned char> buffer_;  // Access::Read's window
    UniqueHandle mapping_;
    UniqueView view_;
    std::uint64_t size_ = 0;
    std::uint64_t viewStart_ = 0;
    std::uint64_t viewEnd_ = 0;
    std::uint64_t granularity_ = 65536;
};

}  // namespace dovrel
