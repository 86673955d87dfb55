#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "core/text/ascii.h"
#include "core/text/dbcs.h"
#include "core/fs/file_ops.h"
#include "core/fs/folder_tree.h"
#include "core/text/text_encoding.h"

namespace dovrel {

namespace {

bool IsUncPrefix(const Text& component) { return FoldAsciiCase(component) == "unc"; }

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

}  // namespace

bool DeleteFolderTreeRefuses(const Text& path)
{
    const Text folder = SkipLeadingSpaces(path);
    if (folder.empty()) return true;
    if (folder.size() >= 2 && folder[1] == ':' && folder.size() <= 3) return true;

    wchar_t full[MAX_PATH];
    DWORD length = GetFullPathNameW(WideFromText(folder).c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return true;  // cannot tell what it names
    return IsRootOfFullPath(TextFromWide(std::wstring(full, length)));
}

bool DeleteFolderTree(const Text& path)
{
    if (DeleteFolderTreeRefuses(path)) return false;
    return RemoveFolderTree(SkipLeadingSpaces(path), TreeRemoval::KeepDotNamesAndReadOnly);
}

}  // namespace dovrel
