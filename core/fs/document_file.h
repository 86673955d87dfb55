#pragma once
// A document opened once for the whole of its reading. The kind's sniffing,
// the old-document reader and the zip reader all read this one handle, each
// at offsets of its own: a file that another program saves over the name
// meanwhile (a new file renamed into place) is never the one half read.

#include <windows.h>

#include <cstdint>

#include "core/base/random_access_bytes.h"
#include "core/base/unique_handle.h"
#include "core/text/text.h"

namespace dovrel {

// Read, write and delete access shared: a document open in an office
// program can be read, and the program's next save is not refused.
constexpr DWORD kDocumentShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class DocumentFile final : public RandomAccessBytes {
public:
    DocumentFile() = default;
    DocumentFile(DocumentFile&&) = default;
    DocumentFile& operator=(DocumentFile&&) = default;

    // The existing disk file at path, for reading (see OpenDiskFileForReading);
    // none when it cannot be opened.
    static DocumentFile Open(const Text& path, DWORD share = kDocumentShare);
    // The same open file again, through a handle of its own.
    DocumentFile Duplicate() const;

    explicit operator bool() const { return static_cast<bool>(file_); }
    HANDLE handle() const { return file_.get(); }
    // The path it was opened by, for its name and extension.
    const Text& path() const { return path_; }

    std::uint64_t size() const override;
    std::size_t ReadAt(std::uint64_t offset, void* into, std::size_t count) const override;

private:
    UniqueFile file_;
    Text path_;
};

}  // namespace dovrel
