#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "core/ascii.h"
#include "core/dbcs.h"
#include "core/file_ops.h"
#include "core/unique_handle.h"

namespace dovrel {

namespace {

struct Entry {
    Text path;
    bool isFolder;
    bool isLink;  // a reparse point: a junction or a symbolic link
};

bool IsUncPrefix(const Text& component)
{
    return component.size() == 3 && (component[0] | 0x20) == 'u' && (component[1] | 0x20) == 'n' &&
           (component[2] | 0x20) == 'c';
}

// The non-empty components of a path, split at "\" and "/" by the
// double-byte stepping rule.
std::vector<Text> PathComponents(const Text& path)
{
    std::vector<Text> components;
    std::size_t begin = 0;
    auto close = [&](std::size_t end) {
        if (end > begin) components.push_back(path.substr(begin, end - begin));
    };
    ForEachCharacterStart(path.data(), path.size(), [&](std::size_t at) {
        if (IsPathSeparator(path[at])) {
            close(at);
            begin = at + 1;
        }
        return true;
    });
    close(path.size());
    return components;
}

// Whether a full path (as GetFullPathNameA gives it) names a root: "C:\",
// "\\server\share", "\\?\C:\", "\\?\UNC\server\share", "\\.\C:".
bool IsRootOfFullPath(const Text& full)
{
    std::vector<Text> components = PathComponents(full);
    const bool twoSeparators = full.size() >= 2 && IsPathSeparator(full[0]) && IsPathSeparator(full[1]);
    if (!twoSeparators) return components.size() <= 1;  // "C:\..." or a stray "\"
    if (!components.empty() && (components[0] == "?" || components[0] == ".")) {
        components.erase(components.begin());
        if (!components.empty() && IsUncPrefix(components[0])) return components.size() <= 3;
        return components.size() <= 1;
    }
    return components.size() <= 2;  // \\server\share
}

Text SkipLeadingSpaces(const Text& path) { return path.substr(std::min(path.find_first_not_of(' '), path.size())); }

bool IsLink(const Text& folder)
{
    DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The folder's entries, dot-named ones left out. The listing is complete
// and its handle closed before the caller deletes anything.
std::vector<Entry> ListEntries(const Text& folder)
{
    std::vector<Entry> entries;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA((folder + "\\*.*").c_str(), &data));
    if (!find) return entries;
    do {
        if (data.cFileName[0] == '.') continue;
        entries.push_back({folder + "\\" + data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                           (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    } while (FindNextFileA(find.get(), &data));
    return entries;
}

// Deletes what may go; failures are passed over and the next entry tried.
void EmptyFolder(const Text& folder)
{
    for (const Entry& entry : ListEntries(folder)) {
        if (!entry.isFolder) {
            DeleteFileA(entry.path.c_str());
            continue;
        }
        // Emptying a link would delete the files of the folder it points to.
        if (!entry.isLink) EmptyFolder(entry.path);
        RemoveDirectoryA(entry.path.c_str());
    }
}

}  // namespace

bool DeleteFolderTreeRefuses(const Text& path)
{
    const Text folder = SkipLeadingSpaces(path);
    if (folder.empty()) return true;
    if (folder.size() >= 2 && folder[1] == ':' && folder.size() <= 3) return true;

    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return true;  // cannot tell what it names
    return IsRootOfFullPath(Text(full, length));
}

bool DeleteFolderTree(const Text& path)
{
    if (DeleteFolderTreeRefuses(path)) return false;
    const Text folder = SkipLeadingSpaces(path);
    if (!IsLink(folder)) EmptyFolder(folder);
    return RemoveDirectoryA(folder.c_str()) != FALSE;
}

}  // namespace dovrel
