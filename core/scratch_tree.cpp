#include "core/scratch_tree.h"

#include <windows.h>

#include <vector>

#include "core/file_ops.h"
#include "core/unique_handle.h"

namespace dovrel {

namespace {

struct Entry {
    Text path;
    DWORD attributes;
};

// The folder's entries; the listing is complete and its handle closed
// before anything is deleted.
std::vector<Entry> ListEntries(const Text& folder)
{
    std::vector<Entry> entries;
    WIN32_FIND_DATAA data;
    UniqueFind find(FindFirstFileA((folder + "\\*").c_str(), &data));
    if (!find) return entries;
    do {
        const Text name = data.cFileName;
        if (name == "." || name == "..") continue;
        entries.push_back({folder + "\\" + name, data.dwFileAttributes});
    } while (FindNextFileA(find.get(), &data));
    return entries;
}

void EmptyFolder(const Text& folder)
{
    for (const Entry& entry : ListEntries(folder)) {
        // A read-only file or folder cannot be deleted as it is.
        SetFileAttributesA(entry.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            DeleteFileA(entry.path.c_str());
            continue;
        }
        // Emptying a link would delete the files of the folder it points to.
        if (!(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) EmptyFolder(entry.path);
        RemoveDirectoryA(entry.path.c_str());
    }
}

}  // namespace

bool RemoveScratchTree(const Text& path)
{
    if (DeleteFolderTreeRefuses(path)) return false;
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) EmptyFolder(path);
    return RemoveDirectoryA(path.c_str()) != FALSE;
}

}  // namespace dovrel
