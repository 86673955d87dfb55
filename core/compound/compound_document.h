#pragma once
// Old binary Office documents (.ppt, .doc, .xls and their kin) are compound
// files: a small file system of storages and streams. They are read
// through the platform's structured storage, read-only, and every stream
// through a reader that never trusts a length beyond the stream's real size.

#include <objidl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/base/com_ptr.h"
#include "core/base/progress.h"
#include "core/text/text.h"

namespace dovrel {

// Whether the file at path starts with the compound-file signature
// D0 CF 11 E0 A1 B1 1A E1 (its name does not matter).
bool IsCompoundFile(const Text& path);

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
    // Opens the document read-only. When another program holds it so that
    // the platform will not share it, a copy is made at `fallbackCopy` and
    // that is read instead: only when it fits in the free space of its
    // volume, told to `progress` after every megabyte (bytes copied of all;
    // false asks for a stop), and removed again
    // when a write fails or a stop is asked for (`stopped` then true).
    // An empty `fallbackCopy` makes no copy. Nothing when neither can be
    // opened.
    static std::optional<CompoundDocument> Open(const Text& path, const Text& fallbackCopy,
                                                Progress* progress = nullptr, bool* stopped = nullptr);

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
