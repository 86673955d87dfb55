#pragma once
// Single-call file operations; each answers the platform call's success.
// None shows anything; callers decide which results matter.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/text/text.h"

namespace dovrel {

bool CreateFolder(const Text& path);  // one level only
bool RemoveFile(const Text& path);    // a read-only file stays
// Fails if target exists; a refusal by a moment's sharing or access
// violation is retried over about a second first.
bool MovePath(const Text& source, const Text& target);
// Writes a file that must not exist yet, through the current volume; one
// that cannot be written whole is removed again.
bool WriteNewFile(const Text& path, std::string_view bytes);
// The whole file at path; nothing when it cannot be read or is larger than
// limit bytes.
std::optional<std::string> ReadWholeFile(const Text& path, std::uint64_t limit);
bool PathExists(const Text& path);    // a file or a folder
bool FolderExists(const Text& path);  // a folder, not a file

// Deletes the folder at path (leading spaces skipped) with everything in it
// that may go, and answers whether the folder itself is gone. Entries whose
// name starts with "." and read-only files stay, and so do the folders
// holding them. A junction or folder symbolic link inside is removed as a
// link: what it points to is never touched.
bool DeleteFolderTree(const Text& path);

// Whether DeleteFolderTree refuses path before touching anything: blank,
// a drive ("C:") or drive root ("C:\"), or any spelling that names the root
// of a drive or share ("\", "C:\\", "C:\.", "\\server\share\").
bool DeleteFolderTreeRefuses(const Text& path);

}  // namespace dovrel
