#pragma once
// Reads a zip archive through minizip: the information on one entry, and
// one entry's data written into a file. One reader per extraction; the
// archive is read through one open file from Open to Close.

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/progress.h"
#include "core/fs/document_file.h"
#include "core/base/archive_view.h"
#include "core/text/text.h"
#include "core/zip/zip_entry_info.h"

namespace dovrel {

// Reader answers; 0 is success.
enum ZipReaderCode : std::uint32_t {
    kZipOk = 0,
    kZipCannotOpen = 0x200,     // the archive or its central directory cannot be read, or the file cannot be created
    kZipReadFailed = 0x400,     // the data cannot be read, inflated, verified or written
    kZipBadHeader = 0x700,      // the local header disagrees, or a method other than stored and deflate
    kZipBadExtraField = 0x800,  // the local extra field cannot be read
    kZipNoSuchEntry = 0x10000,  // index outside the central directory
    kZipStopped = 0x20000,      // the caller asked to stop within the entry
};

class ZipReader {
public:
    ZipReader() = default;
    ~ZipReader() { Close(); }
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Opens the archive at path, with the share mode given.
    std::uint32_t Open(const Text& path, unsigned long share = FILE_SHARE_READ);
    // Reads a document the caller opened; it must stay open until Close.
    std::uint32_t Open(const DocumentFile& archive);
    // Entries listed by the central directory's end record (0 when closed).
    std::int32_t EntryCount() const { return entryCount_; }
    // in: index. out: info. Checks the entry's local header and reads its
    // local extra field; the last entry read is cached. After a failure
    // info holds what was learned before it (the index and name at least,
    // once the central record was read).
    std::uint32_t EntryInfo(std::int32_t index, ZipEntryInfo& info);
    // Writes a file entry's data into a new file at destinationPath,
    // replacing any file there that is not read-only, hidden or system. The
    // data counts as read only when it is not encrypted, its size is the
    // declared one and its CRC-32 matches. On success the file has the
    // entry's times and normal attributes; after a failure it keeps the
    // bytes written so far and the entry's attributes. progress is told the
    // bytes so far of the entry after every write of up to 256 KB; false
    // stops the entry there (kZipStopped).
    std::uint32_t WriteEntry(std::int32_t index, const Text& destinationPath, Progress* progress = nullptr);
    // An entry's stored name, from the central directory alone (a name of
    // more than 259 bytes cut there); false when the record cannot be read.
    bool EntryName(std::int32_t index, Text& name);
    // The first entry whose stored name is `name`, ASCII letters in either
    // case, or -1. Reads the central directory alone.
    std::int32_t FindEntry(const Text& name);
    // A file entry's whole data into `bytes`, checked as WriteEntry checks
    // it; an entry declared larger than `limit` is not read (kZipReadFailed).
    std::uint32_t ReadEntry(std::int32_t index, std::uint64_t limit, std::string& bytes);
    void Close();

private:
    void CloseArchive();  // leaves owned_ open
    bool GoTo(std::int32_t index);
    void CloseOpenEntry();
    std::uint32_t ReadEntryInfo(std::int32_t index, ZipEntryInfo& info);
    // EntryInfo, and the checks before any of the entry's data is used.
    std::uint32_t ReadableEntry(std::int32_t index, ZipEntryInfo& info);

    void* archive_ = nullptr;  // minizip's unzFile
    DocumentFile owned_;       // the archive, when Open opened it
    ArchiveView view_;         // the same file, read a window at a time for entry data
    std::int32_t entryCount_ = 0;
    std::int32_t current_ = -1;    // the entry minizip is positioned on, -1 unknown
    std::int32_t openEntry_ = -1;  // the entry open for reading
    std::int32_t cachedIndex_ = -1;
    ZipEntryInfo cached_;
    std::vector<unsigned char> buffer_;
};

}  // namespace dovrel
