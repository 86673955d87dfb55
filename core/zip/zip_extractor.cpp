#include "core/zip/zip_extractor.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "core/text/ascii.h"
#include "core/text/path_separator.h"
#include "core/fs/file_ops.h"
#include "core/fs/folder_path.h"
#include "core/fs/folder_tree.h"
#include "core/fs/volume.h"
#include "core/base/little_endian.h"
#include "core/base/unique_handle.h"
#include "core/zip/safe_names.h"
#include "core/zip/zip_entry_name.h"
#include "core/zip/zip_reader.h"
#include "core/fs/wide_path.h"
#include "core/fs/document_file.h"

namespace dovrel {

namespace {

constexpr DWORD kHeadSize = 32;
constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::int32_t kEntriesBetweenCountReports = 256;

// A zip package begins with a local file header, and its bytes 24 to 27
// (the upper half of the first entry's size and its name length), read as
// a signed value, are at least 1: the first entry has a name.
bool IsAcceptedArchive(const DocumentFile& file)
{
    std::string bytes;
    if (!ReadExactly(file, 0, kHeadSize, bytes)) return false;
    return ReadLe32(bytes, 0) == kLocalHeaderSignature && static_cast<std::int32_t>(ReadLe32(bytes, 24)) >= 1;
}

Text DestinationPath(const Text& targetFolder, const Text& entryName)
{
    Text path = targetFolder;
    if (!EndsWithSeparator(path)) path += '\\';
    path.reserve(path.size() + entryName.size());
    for (char byte : entryName) path += byte == '/' ? '\\' : byte;
    return path;
}

// Everything before the path's last separator.
Text FolderPart(const Text& path)
{
    const std::size_t last = LastSeparator(path);
    return path.substr(0, last == Text::npos ? 0 : last);
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

// A package folder as the selection compares names with it: folded to
// lower case (unless `fold` is false), "\\" separators, ending in "\\";
// empty when it names nothing.
Text FolderForm(const Text& packageFolder, bool fold = true)
{
    Text form;
    for (char byte : packageFolder) {
        byte = byte == '/' ? '\\' : fold ? FoldAsciiCase(byte) : byte;
        if (byte == '\\' && (form.empty() || form.back() == '\\')) continue;
        form += byte;
    }
    if (!form.empty()) form += '\\';
    return form;
}

// Whether a stored name lies under a folder in FolderForm's form. The
// folder's bytes are ASCII, so a match starts at character starts only: no
// trail byte can be taken for one of them.
bool IsUnder(const Text& name, const Text& folder)
{
    if (name.size() < folder.size()) return false;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        const char byte = name[i] == '/' ? '\\' : FoldAsciiCase(name[i]);
        if (byte != folder[i]) return false;
    }
    return true;
}

// What one call extracts: every entry (ZipExtractor), or only those under
// the package folders chosen (ZipExtractFolder, ZipExtractFolders).
struct Selection {
    struct Folder {
        Text folded;   // as FolderForm folds it
        Text written;  // where its entries go under the target, in FolderForm's form
    };
    bool everything = true;
    std::vector<Folder> folders;
    DWORD share = FILE_SHARE_READ;  // when the archive is opened by its path

    // The folder that takes the entry, or null.
    const Folder* TakenBy(const ZipEntryInfo& info) const
    {
        const Text& name = info.nameTooLong ? info.nameStart : info.name;
        for (const Folder& folder : folders) {
            if (IsUnder(name, folder.folded)) return &folder;
        }
        return nullptr;
    }

    bool Takes(const ZipEntryInfo& info) const { return everything || TakenBy(info) != nullptr; }
};

Selection FolderSelection(const std::vector<PackageFolder>& folders)
{
    Selection selection;
    selection.everything = false;
    selection.share = kDocumentShare;
    for (const PackageFolder& folder : folders) {
        Selection::Folder taken{FolderForm(folder.inPackage), FolderForm(folder.written, false)};
        if (taken.folded.empty()) continue;
        if (taken.written.empty()) taken.written = taken.folded;
        selection.folders.push_back(std::move(taken));
    }
    return selection;
}

class Extraction {
public:
    Extraction(Progress* progress, bool byBytes) : progress_(progress), byBytes_(byBytes) {}

    // Tells the percent done; an answer of false asks to stop.
    void Report()
    {
        if (progress_ && !ReportPercent(*progress_, Percent())) stopRequested = true;
    }

    bool stopRequested = false;
    bool counting = false;  // reading the central directory: nothing done yet
    std::int32_t total = 0;
    std::int32_t done = 0;
    std::uint64_t totalBytes = 0;
    std::uint64_t doneBytes = 0;  // of the entries finished and the one being written

private:
    std::int32_t Percent() const
    {
        if (counting) return 0;
        if (byBytes_ && totalBytes > 0)
            return static_cast<std::int32_t>(std::min(doneBytes, totalBytes) * 100 / totalBytes);
        if (total == 0) return 100;
        double share = static_cast<double>(static_cast<std::uint32_t>(done)) / static_cast<std::uint32_t>(total);
        return static_cast<std::int32_t>(share * 100);
    }

    Progress* progress_;
    bool byBytes_;
};

// One entry's bytes written so far, told as the extraction's progress.
class EntryProgress final : public Progress {
public:
    explicit EntryProgress(Extraction& extraction) : extraction_(extraction), before_(extraction.doneBytes) {}
    bool Report(std::uint64_t done, std::uint64_t /*total*/) override
    {
        extraction_.doneBytes = before_ + done;
        extraction_.Report();
        return !extraction_.stopRequested;
    }

private:
    Extraction& extraction_;
    std::uint64_t before_;
};

// The folders under the target folder that entries go into: each level is
// created, or, when it exists, checked to be a real folder (a link would
// have the extraction write somewhere else). A folder made or checked once
// is not asked about again.
class FolderMaker {
public:
    explicit FolderMaker(const Text& targetFolder) : rootLength_(DestinationPath(targetFolder, "").size()) {}

    // folder: a path as DestinationPath forms it, or its folder part.
    bool Ensure(const Text& folder)
    {
        if (folder.size() < rootLength_ || known_.count(folder)) return true;  // the target itself is the caller's
        if (!Ensure(FolderPart(folder))) return false;
        // Created without asking first: a lookup of a name that is not there
        // yet costs a scan of the folder on some file systems.
        if (!CreateDirectoryW(WidePath(folder).c_str(), nullptr) && !IsRealFolder(folder)) return false;
        known_.insert(folder);
        return true;
    }

private:
    std::size_t rootLength_;
    std::set<Text> known_;
};

constexpr std::uint16_t kUtf8NameFlag = 0x0800;

// Where each entry taken from a folder goes: under the folder's written
// path, by a name Windows writes as it is (SafeNames, one set for all the
// folders written into one); nothing when none can be made, which fails the
// extraction: no picture is left out.
std::optional<Text> FolderDestination(const ZipEntryInfo& info, const Selection::Folder& folder,
                                      const Text& targetFolder, SafeNames& names)
{
    const std::optional<Text> rest =
        names.Assign(info.name.substr(folder.folded.size()), (info.flags & kUtf8NameFlag) != 0);
    if (!rest) return std::nullopt;
    Text destination = DestinationPath(targetFolder, folder.written) + *rest;
    if (!EndsWithSeparator(destination) && IsPathSeparator(info.name.back())) destination += '\\';
    return destination;
}

// false: the entry fails the extraction. destination: the file's path (a
// folder's ends in "\").
bool ExtractEntry(ZipReader& reader, const ZipEntryInfo& info, const Text& destination, FolderMaker& folders,
                  Extraction& extraction)
{
    if (destination.size() >= MAX_PATH) return false;

    if (info.IsFolder()) return folders.Ensure(EndsWithSeparator(destination) ? FolderPart(destination) : destination);

    if (!folders.Ensure(FolderPart(destination))) return false;
    const std::uint64_t before = extraction.doneBytes;
    EntryProgress written(extraction);
    // An existing read-only, hidden or system file is replaced once its
    // attributes are reset. Resetting only after a refusal spares every new
    // file a lookup of a name that is not there yet.
    std::uint32_t code = reader.WriteEntry(info.index, destination, &written);
    if (code == kZipCannotOpen && SetFileAttributesW(WidePath(destination).c_str(), FILE_ATTRIBUTE_NORMAL))
        code = reader.WriteEntry(info.index, destination, &written);
    extraction.doneBytes = before + info.uncompressedSize;
    return code == kZipOk || code == kZipStopped;
}

std::int32_t Extract(const DocumentFile& archive, const Text& targetFolder, const Selection& selection,
                     ZipReader& reader, Extraction& extraction)
{
    if (!PathExists(targetFolder) && !CreateFolderPath(targetFolder)) return 0;
    if (!IsAcceptedArchive(archive)) return 0;
    if (reader.Open(archive) != kZipOk) return 0;

    // The count reads every entry's headers once, so a damaged central
    // directory or overlapping entries refuse the archive before anything
    // is written. Taking every entry, the walk ends at the first one that
    // cannot be read; taking one folder, such an entry outside it is passed
    // over and one inside it refuses the archive: a picture is never lost
    // without a word.
    std::vector<Record> records;
    std::vector<std::int32_t> taken;
    std::vector<std::optional<Text>> destinations;  // of the entries taken from folders
    std::map<Text, SafeNames> names;                // by written folder
    ZipEntryInfo info;
    for (std::int32_t i = 0; i < reader.EntryCount(); ++i) {
        std::uint32_t code = reader.EntryInfo(i, info);
        if (code == kZipCannotOpen) return 0;
        const bool takes = selection.Takes(info);
        if (code != kZipOk) {
            if (selection.everything) break;
            if (takes) return 0;
            continue;
        }
        records.emplace_back(info.recordStart, info.recordEnd);
        // A directory of many thousand entries takes a while to read: the
        // user interface hears from the job meanwhile, and may stop it.
        if (!selection.everything && i % kEntriesBetweenCountReports == kEntriesBetweenCountReports - 1) {
            extraction.counting = true;
            extraction.Report();
            extraction.counting = false;
            if (extraction.stopRequested) return 1;
        }
        if (!takes) continue;
        taken.push_back(i);
        if (!selection.everything) {
            const Selection::Folder& folder = *selection.TakenBy(info);
            destinations.push_back(
                info.nameTooLong ? std::nullopt
                                 : FolderDestination(info, folder, targetFolder, names[FoldAsciiCase(folder.written)]));
        }
        extraction.totalBytes += info.uncompressedSize;
    }
    extraction.total = static_cast<std::int32_t>(taken.size());
    if (HasOverlappingRecords(std::move(records))) return 0;
    // The central directory says what is to be written: when it does not
    // fit in the free space, nothing is.
    if (!HasRoomFor(targetFolder, extraction.totalBytes, taken.size())) return 0;

    FolderMaker folders(targetFolder);
    for (std::int32_t n = 0; n < extraction.total; ++n) {
        if (reader.EntryInfo(taken[n], info) != kZipOk) return selection.everything ? 1 : 0;
        // Never cut short: a truncated name would be another file's name.
        if (info.nameTooLong) return 0;
        if (!selection.everything) {
            if (!destinations[n] || !ExtractEntry(reader, info, *destinations[n], folders, extraction)) return 0;
        } else if (IsSafeEntryName(info.name)) {
            // Taking every entry, only names that stay inside the target
            // folder, unchanged by Windows, are extracted; any other entry
            // is left out and the walk goes on.
            if (!ExtractEntry(reader, info, DestinationPath(targetFolder, info.name), folders, extraction)) return 0;
        }
        if (extraction.stopRequested) return 1;
        extraction.done = n;
        extraction.Report();
        if (extraction.stopRequested) return 1;
    }
    return 1;
}

// archive: none for an archive that is not there (-1, and nothing made).
std::int32_t Run(const DocumentFile* archive, const Text& targetFolder, const Selection& selection, Progress* progress)
{
    if (targetFolder.empty()) return -1;
    Extraction extraction(progress, !selection.everything);
    ZipReader reader;
    std::int32_t result = archive ? Extract(*archive, targetFolder, selection, reader, extraction) : -1;
    if (!extraction.stopRequested) {
        extraction.done = extraction.total;
        extraction.doneBytes = extraction.totalBytes;
        extraction.Report();
    }
    reader.Close();
    return result;
}

std::int32_t Run(const Text& archivePath, const Text& targetFolder, const Selection& selection, Progress* progress)
{
    if (archivePath.empty() || targetFolder.empty()) return -1;
    if (!PathExists(archivePath)) return Run(nullptr, targetFolder, selection, progress);
    const DocumentFile archive = DocumentFile::Open(archivePath, selection.share);
    return Run(&archive, targetFolder, selection, progress);
}

}  // namespace

bool ZipHasEntriesUnder(const DocumentFile& archive, const Text& packageFolder)
{
    const Text folder = FolderForm(packageFolder);
    if (folder.empty()) return false;
    ZipReader reader;
    if (reader.Open(archive) != kZipOk) return true;
    Text name;
    for (std::int32_t i = 0; i < reader.EntryCount(); ++i) {
        if (!reader.EntryName(i, name) || IsUnder(name, folder)) return true;
    }
    return false;
}

std::int32_t ZipExtractor(const Text& archivePath, const Text& targetFolder, Progress* progress)
{
    return Run(archivePath, targetFolder, Selection{}, progress);
}

std::int32_t ZipExtractFolder(const Text& archivePath, const std::optional<Text>& packageFolder,
                              const Text& targetFolder, Progress* progress)
{
    std::vector<PackageFolder> folders;
    if (packageFolder) folders.push_back({*packageFolder, *packageFolder});
    return Run(archivePath, targetFolder, FolderSelection(folders), progress);
}

std::int32_t ZipExtractFolders(const Text& archivePath, const std::vector<PackageFolder>& folders,
                               const Text& targetFolder, Progress* progress)
{
    return Run(archivePath, targetFolder, FolderSelection(folders), progress);
}

std::int32_t ZipExtractFolders(const DocumentFile& archive, const std::vector<PackageFolder>& folders,
                               const Text& targetFolder, Progress* progress)
{
    return Run(&archive, targetFolder, FolderSelection(folders), progress);
}

}  // namespace dovrel
