#pragma once
// Old binary Office documents (.ppt, .doc, .xls and their kin) are compound
// files: a small file system of storages and streams. They are read
// through the platform's structured storage, read-only, from the document
// the run opened, and every stream through a reader that never trusts a
// length beyond the stream's real size.

#include <objidl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/base/com_ptr.h"
#include "core/base/random_access_bytes.h"
#include "core/fs/document_file.h"
#include "core/text/text.h"

namespace dovrel {

// Whether the bytes start with the compound-file signature
// D0 CF 11 E0 A1 B1 1A E1 (a file's name does not matter).
bool IsCompoundFile(const RandomAccessBytes& file);

// One stream, read at offsets. Reads that reach past the stream's end fail.
class StorageStream {
public:
    StorageStream(ComPtr<IStream> stream, std::uint64_t size) : stream_(std::move(stream)), size_(size) {}
    std::uint64_t size() const { return size_; }
    // Exactly `length` bytes from `offset` into `bytes`, or false.
    bool ReadAt(std::uint64_t offset, std::uint64_t length, std::string& bytes) const;

private:
    ComPtr<IStream> stream_;
    std::uint64_t size_;
};

class CompoundDocument {
public:
    // Reads the open document, read-only, through a handle of its own to
    // the same file (another program holding the document open for writing
    // does not keep it from being read). Nothing when its sector chains or
    // directory are unsound (see CompoundChainsAreSound) or the platform
    // cannot open it.
    static std::optional<CompoundDocument> Open(const DocumentFile& file);

    // A stream of the root storage by name, or nothing.
    std::optional<StorageStream> OpenStream(const wchar_t* name) const;
    // A storage inside the root, read as a document of its own, or nothing.
    std::optional<CompoundDocument> OpenStorage(const wchar_t* name) const;
    // The names of the storages directly inside the root, in the file's order.
    std::vector<std::wstring> StorageNames() const;
    // Copies the root with everything in it into a new compound file at
    // path; false (and no file) when that cannot be done.
    bool CopyToNewFile(const Text& path) const;

private:
    explicit CompoundDocument(ComPtr<IStorage> root) : root_(std::move(root)) {}
    ComPtr<IStorage> root_;
};

}  // namespace dovrel
