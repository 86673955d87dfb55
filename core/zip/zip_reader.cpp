#include "core/zip/zip_reader.h"

#include <windows.h>

#include <minizip/unzip.h>

#include <algorithm>
#include <climits>

#include "core/text/ascii.h"
#include "core/zip/entry_data.h"
#include "core/zip/zip_archive_stream.h"
#include "core/fs/wide_path.h"
#include "core/base/unique_handle.h"

namespace dovrel {

namespace {

constexpr uLong kNameBufferSize = 260;  // a name of up to 259 bytes and its zero
constexpr std::uint64_t kLocalHeaderSize = 30;
// General purpose flags: bit 0 traditional encryption, bit 6 strong
// encryption. Either way the stored bytes are ciphertext.
constexpr std::uint16_t kEncryptedFlags = 0x0041;

unzFile Archive(void* archive) { return static_cast<unzFile>(archive); }

}  // namespace

std::uint32_t ZipReader::Open(const Text& path, unsigned long share)
{
    Close();
    owned_ = DocumentFile::Open(path, share);
    const std::uint32_t code = Open(owned_);
    if (code != kZipOk) owned_ = DocumentFile();
    return code;
}

std::uint32_t ZipReader::Open(const DocumentFile& file)
{
    CloseArchive();
    if (!file) return kZipCannotOpen;
    zlib_filefunc64_def functions;
    FillArchiveStreamFunctions(functions, file);
    unzFile archive = unzOpen2_64("", &functions);
    if (!archive) return kZipCannotOpen;
    unz_global_info64 global;
    if (unzGetGlobalInfo64(archive, &global) != UNZ_OK) {
        unzClose(archive);
        return kZipCannotOpen;
    }
    view_.Open(file);
    archive_ = archive;
    entryCount_ = global.number_entry > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(global.number_entry);
    current_ = -1;
    openEntry_ = -1;
    cachedIndex_ = -1;
    return kZipOk;
}

void ZipReader::Close()
{
    CloseArchive();
    owned_ = DocumentFile();
}

void ZipReader::CloseArchive()
{
    CloseOpenEntry();
    if (archive_) unzClose(Archive(archive_));
    archive_ = nullptr;
    view_.Close();
    entryCount_ = 0;
    current_ = -1;
    cachedIndex_ = -1;
}

void ZipReader::CloseOpenEntry()
{
    if (openEntry_ < 0) return;
    unzCloseCurrentFile(Archive(archive_));
    openEntry_ = -1;
}

// Moves forward from the current entry, back to the first only for an
// earlier index; callers keep index below the entry count.
bool ZipReader::GoTo(std::int32_t index)
{
    unzFile archive = Archive(archive_);
    if (current_ < 0 || index < current_) {
        if (unzGoToFirstFile(archive) != UNZ_OK) {
            current_ = -1;
            return false;
        }
        current_ = 0;
    }
    while (current_ < index) {
        if (unzGoToNextFile(archive) != UNZ_OK) {
            current_ = -1;
            return false;
        }
        ++current_;
    }
    return true;
}

std::uint32_t ZipReader::EntryInfo(std::int32_t index, ZipEntryInfo& info)
{
    if (!archive_ || index < 0 || index >= entryCount_) return kZipNoSuchEntry;
    CloseOpenEntry();
    if (index != cachedIndex_) {
        ZipEntryInfo entry;
        std::uint32_t code = ReadEntryInfo(index, entry);
        CloseOpenEntry();
        if (code != kZipOk) {
            info = std::move(entry);
            return code;
        }
        cached_ = std::move(entry);
        cachedIndex_ = index;
    }
    info = cached_;
    return kZipOk;
}

std::uint32_t ZipReader::ReadEntryInfo(std::int32_t index, ZipEntryInfo& info)
{
    unzFile archive = Archive(archive_);
    if (!GoTo(index)) return kZipCannotOpen;

    // The name's length first: minizip leaves a name that fills the buffer
    // without its terminating zero.
    unz_file_info64 file;
    if (unzGetCurrentFileInfo64(archive, &file, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return kZipCannotOpen;
    info.index = current_;
    if (file.size_filename < kNameBufferSize) {
        char name[kNameBufferSize];
        if (file.size_filename > 0 &&
            unzGetCurrentFileInfo64(archive, nullptr, name, kNameBufferSize, nullptr, 0, nullptr, 0) != UNZ_OK)
            return kZipCannotOpen;
        info.name.assign(name, file.size_filename);
    } else {
        info.nameTooLong = true;
        char start[kNameBufferSize];
        if (unzGetCurrentFileInfo64(archive, nullptr, start, kNameBufferSize, nullptr, 0, nullptr, 0) != UNZ_OK)
            return kZipCannotOpen;
        info.nameStart.assign(start, kNameBufferSize - 1);
    }

    // minizip passes method 12 through as raw bytes when built without
    // bzip2, so the method is tested here.
    if (file.compression_method != 0 && file.compression_method != Z_DEFLATED) return kZipBadHeader;
    // Opening the entry checks its local header against the central record.
    if (unzOpenCurrentFile(archive) != UNZ_OK) return kZipBadHeader;
    openEntry_ = index;

    int extraSize = unzGetLocalExtrafield(archive, nullptr, 0);
    if (extraSize < 0) return kZipBadExtraField;
    std::string extra(static_cast<std::size_t>(extraSize), '\0');
    if (extraSize > 0 && unzGetLocalExtrafield(archive, extra.data(), static_cast<unsigned>(extraSize)) != extraSize)
        return kZipBadExtraField;

    const std::uint64_t dataStart = unzGetCurrentFileZStreamPos64(archive);
    const std::uint64_t headerSize = kLocalHeaderSize + file.size_filename + static_cast<std::uint64_t>(extraSize);
    info.recordStart = dataStart >= headerSize ? dataStart - headerSize : 0;
    // Saturated: a stated size near 2^64 would otherwise wrap below the
    // record's start and hide an overlap from the zip bomb check.
    info.recordEnd = file.compressed_size > UINT64_MAX - dataStart ? UINT64_MAX : dataStart + file.compressed_size;
    info.dataStart = dataStart;
    info.crc = static_cast<std::uint32_t>(file.crc);

    info.attributes = EntryAttributes(static_cast<std::uint32_t>(file.external_fa));
    std::uint64_t stamp = DosStampToFileTime(static_cast<std::uint32_t>(file.dosDate));
    info.accessTime = info.creationTime = info.modificationTime = stamp;
    ApplyExtendedTimestamp(extra, info);
    info.compressedSize = file.compressed_size;
    info.uncompressedSize = file.uncompressed_size;
    info.method = static_cast<std::uint16_t>(file.compression_method);
    info.flags = static_cast<std::uint16_t>(file.flag);
    return kZipOk;
}

std::uint32_t ZipReader::ReadableEntry(std::int32_t index, ZipEntryInfo& info)
{
    CloseOpenEntry();
    if (!archive_ || index < 0 || index >= entryCount_) return kZipNoSuchEntry;
    std::uint32_t code = EntryInfo(index, info);
    if (code != kZipOk) return code;
    // Refused before anything is written: ciphertext is not the entry's
    // content, and a stored entry's two sizes must agree.
    if (info.flags & kEncryptedFlags) return kZipReadFailed;
    if (info.method == 0 && info.compressedSize != info.uncompressedSize) return kZipReadFailed;
    return kZipOk;
}

bool ZipReader::EntryName(std::int32_t index, Text& name)
{
    name.clear();
    if (!archive_ || index < 0 || index >= entryCount_) return false;
    CloseOpenEntry();
    char stored[kNameBufferSize];
    unz_file_info64 file;
    if (!GoTo(index) ||
        unzGetCurrentFileInfo64(Archive(archive_), &file, stored, kNameBufferSize, nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    name.assign(stored, std::min<uLong>(file.size_filename, kNameBufferSize - 1));
    return true;
}

std::int32_t ZipReader::FindEntry(const Text& name)
{
    const Text wanted = FoldAsciiCase(name);
    Text stored;
    for (std::int32_t i = 0; i < entryCount_; ++i) {
        if (!EntryName(i, stored)) return -1;
        if (stored.size() == wanted.size() && FoldAsciiCase(stored) == wanted) return i;
    }
    return -1;
}

std::uint32_t ZipReader::ReadEntry(std::int32_t index, std::uint64_t limit, std::string& bytes)
{
    ZipEntryInfo info;
    std::uint32_t code = ReadableEntry(index, info);
    if (code != kZipOk) return code;
    if (info.IsFolder() || info.uncompressedSize > limit) return kZipReadFailed;
    return CopyEntryData(view_, info, bytes, buffer_) == EntryCopy::Copied ? kZipOk : kZipReadFailed;
}

std::uint32_t ZipReader::WriteEntry(std::int32_t index, const Text& destinationPath, Progress* progress)
{
    ZipEntryInfo info;
    std::uint32_t code = ReadableEntry(index, info);
    if (code != kZipOk) return code;

    // A new file is created as new: replacing (CREATE_ALWAYS) truncates
    // even an empty file, and on Linux file systems with delayed allocation
    // a file truncated to nothing has its data written out when it is
    // closed, which under Wine holds the extraction for tens of
    // milliseconds at a large file.
    UniqueFile file(CreateFileW(WidePath(destinationPath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                info.attributes, nullptr));
    if (!file && (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS))
        file = UniqueFile(CreateFileW(WidePath(destinationPath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      info.attributes, nullptr));
    if (!file) return kZipCannotOpen;

    bool failed = false;
    switch (CopyEntryData(view_, info, file.get(), progress, buffer_)) {
    case EntryCopy::Copied: break;
    case EntryCopy::Failed: failed = true; break;
    case EntryCopy::Stopped: return kZipStopped;
    }

    // The times, and normal attributes whatever the entry's were (the file
    // was created with them), in one call through the open handle: by path
    // each would cost Windows another open of the file.
    bool normal = false;
    if (!failed) {
        FILE_BASIC_INFO basic{};
        if (GetFileType(file.get()) == FILE_TYPE_DISK) {
            basic.CreationTime.QuadPart = static_cast<LONGLONG>(info.creationTime);
            basic.LastAccessTime.QuadPart = static_cast<LONGLONG>(info.accessTime);
            basic.LastWriteTime.QuadPart = static_cast<LONGLONG>(info.modificationTime);
        }
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        normal = SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof basic) != 0;
    }
    if (!CloseHandle(file.release())) failed = true;
    if (!failed && !normal) SetFileAttributesW(WidePath(destinationPath).c_str(), FILE_ATTRIBUTE_NORMAL);
    return failed ? kZipReadFailed : kZipOk;
}

}  // namespace dovrel
