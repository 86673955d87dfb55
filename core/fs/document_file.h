#pragma once
// The document a run reads, opened once. Every check and reader of the run
// (the scratch-folder check, the compound sniff, the old-document reader,
// the zip reader) reads through this one handle, so no other program can
// put another file in its place between the checks and the reading. It is
// opened for reading only, sharing reading and writing (a document open in
// an office program can still be read) but not deleting: while the run
// holds it, the file can be neither renamed nor replaced.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/base/unique_handle.h"
#include "core/text/text.h"

namespace dovrel {

class DocumentFile {
public:
    DocumentFile() = default;
    // Nothing is open (false) when the file cannot be opened; share is
    // CreateFileA's share mode.
    explicit DocumentFile(const Text& path, DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE);

    explicit operator bool() const { return static_cast<bool>(file_); }
    const Text& path() const { return path_; }
    HANDLE handle() const { return file_.get(); }
    // The file's size now (0 when nothing is open).
    std::uint64_t size() const;
    // Exactly `length` bytes from `offset` into bytes, or false. Each read
    // names its own offset, so readers sharing the handle never move each
    // other's position.
    bool ReadAt(std::uint64_t offset, std::size_t length, std::string& bytes) const;
    // Up to `length` bytes from `offset` into `into` (fewer at the end of
    // the file) as `read`; false on a read error.
    bool ReadSomeAt(std::uint64_t offset, void* into, DWORD length, DWORD& read) const;

private:
    Text path_;
    UniqueFile file_;
};

}  // namespace dovrel
