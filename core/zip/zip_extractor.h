#pragma once
// Unpacks every entry of a zip archive into a target folder, rebuilding the
// archive's folder tree under it.

#include <cstdint>
#include <optional>
#include <vector>

#include "core/base/progress.h"
#include "core/fs/document_file.h"
#include "core/text/text.h"

namespace dovrel {

// progress is told the percent done after every entry, after every 256 KB
// written within an entry, and once at the end.
// out: 1 the walk ended (or the progress asked for a stop); 0 failure after
// the archive was found; -1 an empty argument or nothing at archivePath.
// Percent by entries. A stop asked for within an entry ends that entry's
// file where it is.
std::int32_t ZipExtractor(const Text& archivePath, const Text& targetFolder, Progress* progress = nullptr);

// The same walk with every check, writing only the entries under
// packageFolder (a package path such as "\ppt\media": letter case ignored,
// "/" or "\" as separator) into the same place under targetFolder; nothing
// selects no entry (the archive is still checked). The archive is opened
// sharing read, write and delete access, so a document open in an office
// program can be read. The whole central directory is read first: a damaged directory,
// overlapping entries, or entries that do not fit in the free space of the
// target folder's volume refuse the archive before anything is written. An
// entry outside the folder that cannot be read is passed over; one inside
// it that cannot be read or written fails the extraction (0), and only an
// unsafe name is skipped. Percent by bytes.
std::int32_t ZipExtractFolder(const Text& archivePath, const std::optional<Text>& packageFolder,
                              const Text& targetFolder, Progress* progress = nullptr);

// A folder of the package whose entries are taken, and the folder under the
// target folder they are written into (the same for an Office Open XML
// package; an OpenDocument package's "Media" joins its "Pictures").
struct PackageFolder {
    Text inPackage;
    Text written;
};

// ZipExtractFolder for several folders at once, each entry written under
// its folder's `written` in place of the folder's own name.
std::int32_t ZipExtractFolders(const Text& archivePath, const std::vector<PackageFolder>& folders,
                               const Text& targetFolder, Progress* progress = nullptr);
// Whether the central directory of the open archive names an entry under
// packageFolder (as ZipExtractFolder takes it), read alone: no local header
// is read and nothing is written. true too when the directory cannot be
// read, so that the extraction itself judges the archive.
bool ZipHasEntriesUnder(const DocumentFile& archive, const Text& packageFolder);

// The same for a document the caller opened (0 when it is not open).
std::int32_t ZipExtractFolders(const DocumentFile& archive, const std::vector<PackageFolder>& folders,
                               const Text& targetFolder, Progress* progress = nullptr);

}  // namespace dovrel
