#include "core/fs/folder_tree.h"

#include <windows.h>

#include <vector>

#include "core/base/lock_retry.h"
#include "core/base/unique_handle.h"
#include "core/fs/wide_path.h"
#include "core/text/text_encoding.h"

namespace dovrel {

namespace {

DWORD ReparseTagOf(const Text& path)
{
    UniqueFile handle(CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!handle || !GetFileInformationByHandleEx(handle.get(), FileAttributeTagInfo, &info, sizeof info)) return 0;
    return info.ReparseTag;
}

bool IsLinkAttributes(DWORD attributes, const Text& path)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLinkByTag(attributes, ReparseTagOf(path));
}

// The folder's entries; the listing is complete and its handle closed
// before anything is met. A reparse point's tag is asked of the entry
// itself: Wine leaves the listing's dwReserved0 unset.
std::vector<TreeEntry> ListEntries(const Text& folder, int depth)
{
    std::vector<TreeEntry> entries;
    WIN32_FIND_DATAW data{};
    UniqueFind find(FindFirstFileW(WidePath(folder + "\\*").c_str(), &data));
    if (!find) return entries;
    do {
        const wchar_t* name = data.cFileName;
        if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) continue;
        const Text text = TextFromWide(name);
        const Text path = folder + "\\" + text;
        entries.push_back({path, text, data.dwFileAttributes, IsLinkAttributes(data.dwFileAttributes, path), depth});
    } while (FindNextFileW(find.get(), &data));
    return entries;
}

bool Walk(const Text& folder, int depth, const std::function<TreeStep(const TreeEntry&)>& meet,
          const std::function<void(const TreeEntry&)>& leave)
{
    for (const TreeEntry& entry : ListEntries(folder, depth)) {
        const TreeStep step = meet(entry);
        if (step == TreeStep::Stop) return false;
        if (step == TreeStep::Pass) continue;
        // Entering a link would walk the folder it points to.
        if (entry.IsFolder() && !entry.isLink && !Walk(entry.path, depth + 1, meet, leave)) return false;
        if (leave) leave(entry);
    }
    return true;
}

// Removes one entry that is empty by now (or a link, or a file). A
// read-only entry that the rules keep is not worth the wait of a retry.
bool RemoveEntry(const Text& path, DWORD attributes, TreeRemoval rules, const LockPatience& patience)
{
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly && rules == TreeRemoval::Everything) SetFileAttributesW(WidePath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    auto remove = [&] {
        return folder ? RemoveDirectoryW(WidePath(path).c_str()) != FALSE
                      : DeleteFileW(WidePath(path).c_str()) != FALSE;
    };
    if (readOnly && rules == TreeRemoval::KeepDotNamesAndReadOnly) return remove();
    return RetryWhileLocked(remove, patience);
}

// Failures are passed over and the next entry tried.
void EmptyFolder(const Text& folder, TreeRemoval rules, const LockPatience& patience)
{
    const bool keep = rules == TreeRemoval::KeepDotNamesAndReadOnly;
    WalkFolderTree(
        folder,
        [keep](const TreeEntry& entry) {
            const bool readOnlyFile = !entry.IsFolder() && (entry.attributes & FILE_ATTRIBUTE_READONLY);
            return keep && (entry.name[0] == '.' || readOnlyFile) ? TreeStep::Pass : TreeStep::Go;
        },
        [&](const TreeEntry& entry) { RemoveEntry(entry.path, entry.attributes, rules, patience); });
}

}  // namespace

bool IsLinkByTag(std::uint32_t attributes, std::uint32_t reparseTag)
{
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    return reparseTag == 0 || IsReparseTagNameSurrogate(reparseTag);
}

bool IsRealFolder(const Text& path)
{
    if (path.empty()) return false;
    DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !IsLinkAttributes(attributes, path);
}

bool WalkFolderTree(const Text& folder, const std::function<TreeStep(const TreeEntry&)>& meet,
                    const std::function<void(const TreeEntry&)>& leave)
{
    return Walk(folder, 1, meet, leave);
}

bool RemoveFolderTree(const Text& path, TreeRemoval rules)
{
    DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return RemoveDirectoryW(WidePath(path).c_str()) != FALSE;  // fails, as it should, on a file or nothing
    }
    const LockPatience patience;  // shared by the whole tree
    if (!IsLinkAttributes(attributes, path)) EmptyFolder(path, rules, patience);
    return RemoveEntry(path, attributes, rules, patience);
}

}  // namespace dovrel
