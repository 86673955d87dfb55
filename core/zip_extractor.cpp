#include "core/zip_extractor.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "core/dbcs.h"
#include "core/file_ops.h"
#include "core/folder_path.h"
#include "core/unique_handle.h"
#include "core/zip_entry_name.h"
#include "core/zip_reader.h"

namespace dovrel {

namespace {

constexpr DWORD kHeadSize = 32;
constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;

std::uint32_t Le32(const unsigned char* bytes)
{
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// A zip package begins with a local file header, and its bytes 24 to 27
// (the upper half of the first entry's size and its name length), read as
// a signed value, are at least 1: the first entry has a name.
bool IsAcceptedArchive(const Text& path)
{
    UniqueFile file(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    unsigned char head[kHeadSize];
    DWORD read = 0;
    if (!ReadFile(file.get(), head, kHeadSize, &read, nullptr) || read != kHeadSize) return false;
    return Le32(head) == kLocalHeaderSignature && static_cast<std::int32_t>(Le32(head + 24)) >= 1;
}

Text DestinationPath(const Text& targetFolder, const Text& entryName)
{
    Text path = targetFolder;
    if (!EndsWithBackslash(path)) path += '\\';
    path.reserve(path.size() + entryName.size());
    for (char byte : entryName) path += byte == '/' ? '\\' : byte;
    return path;
}

// Everything before the path's last "\" character.
Text FolderPart(const Text& path)
{
    std::size_t last = 0;
    ForEachCharacterStart(path.data(), path.size(), [&](std::size_t at) {
        if (CharacterSize(path.data(), path.size(), at) == 1 && path[at] == '\\') last = at;
        return true;
    });
    return path.substr(0, last);
}

using Record = std::pair<std::uint64_t, std::uint64_t>;  // archive bytes [first, second)

// Entries whose bytes overlap are the shape of a zip bomb: a few kilobytes
// read again and again as many entries.
bool HasOverlappingRecords(std::vector<Record> records)
{
    std::sort(records.begin(), records.end());
    std::uint64_t end = 0;
    for (const Record& record : records) {
        if (record.first < end) return true;
        end = std::max(end, record.second);
    }
    return false;
}

class Extraction {
public:
    explicit Extraction(ExtractProgressSink* progress) : progress_(progress) {}

    // Fires the progress event with the percent of done over total; a
    // handler answering false, with the window still there, asks to stop.
    void Report()
    {
        if (!progress_ || !progress_->HasWindow()) return;
        std::optional<bool> answer = progress_->Fire(Percent());
        if (answer && !*answer && progress_->HasWindow()) stopRequested = true;
    }

    bool stopRequested = false;
    std::int32_t total = 0;
    std::int32_t done = 0;

private:
    std::int32_t Percent() const
    {
        if (total == 0) return 100;
        double share = static_cast<double>(static_cast<std::uint32_t>(done)) / static_cast<std::uint32_t>(total);
        return static_cast<std::int32_t>(share * 100);
    }

    ExtractProgressSink* progress_;
};

// false: the entry fails the extraction.
bool ExtractEntry(ZipReader& reader, const ZipEntryInfo& info, const Text& targetFolder)
{
    // Only names that stay inside the target folder, unchanged by Windows,
    // are extracted; any other entry is left out and the walk goes on.
    if (!IsSafeEntryName(info.name)) return true;
    Text destination = DestinationPath(targetFolder, info.name);
    if (destination.size() >= MAX_PATH) return false;

    if (info.IsFolder()) return PathExists(destination) || CreateFolderPath(destination);

    Text folder = FolderPart(destination);
    if (!PathExists(folder) && !CreateFolderPath(folder)) return false;
    // An existing read-only, hidden or system file is replaced once its
    // attributes are reset. Resetting only after a refusal spares every new
    // file a lookup of a name that is not there yet, which costs a scan of
    // the whole folder on file systems without case-insensitive lookups.
    std::uint32_t code = reader.WriteEntry(info.index, destination);
    if (code == kZipCannotOpen && SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL))
        code = reader.WriteEntry(info.index, destination);
    return code == kZipOk;
}

std::int32_t Extract(const Text& archivePath, const Text& targetFolder, ZipReader& reader, Extraction& extraction)
{
    if (!PathExists(archivePath)) return -1;
    if (!PathExists(targetFolder) && !CreateFolderPath(targetFolder)) return 0;
    if (!IsAcceptedArchive(archivePath)) return 0;
    if (reader.Open(archivePath) != kZipOk) return 0;

    // The count reads every entry's headers once, so a damaged central
    // directory or overlapping entries refuse the archive before anything
    // is written.
    std::vector<Record> records;
    ZipEntryInfo info;
    for (std::int32_t i = 0;; ++i) {
        std::uint32_t code = reader.EntryInfo(i, info);
        if (code == kZipCannotOpen) return 0;
        if (code != kZipOk) break;
        records.emplace_back(info.recordStart, info.recordEnd);
    }
    extraction.total = static_cast<std::int32_t>(records.size());
    if (HasOverlappingRecords(std::move(records))) return 0;

    for (std::int32_t i = 0; i < extraction.total; ++i) {
        if (reader.EntryInfo(i, info) != kZipOk) return 1;
        // Never cut short: a truncated name would be another file's name.
        if (info.nameTooLong) return 0;
        if (!ExtractEntry(reader, info, targetFolder)) return 0;
        extraction.done = i;
        extraction.Report();
        if (extraction.stopRequested) return 1;
    }
    return 1;
}

}  // namespace

std::int32_t ZipExtractor(const Text& archivePath, const Text& targetFolder, ExtractProgressSink* progress)
{
    if (archivePath.empty() || targetFolder.empty()) return -1;
    Extraction extraction(progress);
    ZipReader reader;
    std::int32_t result = Extract(archivePath, targetFolder, reader, extraction);
    if (!extraction.stopRequested) {
        extraction.done = extraction.total;
        extraction.Report();
    }
    reader.Close();
    return result;
}

}  // namespace dovrel
