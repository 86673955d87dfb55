#include "core/fs/inside_folder.h"

#include <windows.h>

#include <vector>

#include "core/text/ascii.h"
#include "core/text/path_separator.h"
#include "core/base/unique_handle.h"
#include "core/fs/document_file.h"
#include "core/fs/wide_path.h"
#include "core/text/text_encoding.h"

namespace dovrel {

namespace {

constexpr DWORD kLongPath = 32768;

Text WithoutFinalBackslash(Text path)
{
    if (EndsWithSeparator(path) && path.size() > 3) path.pop_back();
    return path;
}

Text FullPathOf(const Text& path)
{
    // Not WidePath: both sides of a comparison are made full the same way,
    // whatever their length.
    std::vector<wchar_t> full(kLongPath);
    DWORD length = GetFullPathNameW(WideFromText(path).c_str(), kLongPath, full.data(), nullptr);
    if (length == 0 || length >= kLongPath) return Text();
    std::vector<wchar_t> longer(kLongPath);
    DWORD longLength = GetLongPathNameW(full.data(), longer.data(), kLongPath);
    if (longLength > 0 && longLength < kLongPath)
        return WithoutFinalBackslash(TextFromWide(std::wstring(longer.data(), longLength)));
    return WithoutFinalBackslash(TextFromWide(std::wstring(full.data(), length)));
}

Text FinalPathOf(HANDLE handle)
{
    std::vector<wchar_t> final(kLongPath);
    DWORD length = GetFinalPathNameByHandleW(handle, final.data(), kLongPath, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= kLongPath) return Text();
    return WithoutFinalBackslash(TextFromWide(std::wstring(final.data(), length)));
}

// missing, when given, tells whether nothing is at path.
Text FinalPathOf(const Text& path, bool* missing = nullptr)
{
    UniqueFile handle(CreateFileW(WidePath(path).c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (missing) {
        const DWORD error = handle ? ERROR_SUCCESS : GetLastError();
        *missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    return handle ? FinalPathOf(handle.get()) : Text();
}

bool IsSameOrInside(const Text& path, const Text& folder)
{
    if (path.empty() || folder.empty() || path.size() < folder.size()) return false;
    if (FoldAsciiCase(path.substr(0, folder.size())) != FoldAsciiCase(folder)) return false;
    return path.size() == folder.size() || path[folder.size()] == '\\';
}

}  // namespace

bool LiesInside(const Text& path, const Text& folder)
{
    if (path.empty() || folder.empty()) return false;
    if (IsSameOrInside(FullPathOf(path), FullPathOf(folder))) return true;
    return IsSameOrInside(FinalPathOf(path), FinalPathOf(folder));
}

bool LiesInside(const DocumentFile& file, const Text& folder)
{
    if (!file || folder.empty()) return false;
    // Where both final paths are known they decide: links resolved, short
    // names made long. An open document lies in no folder that is not
    // there. Making the full paths long walks every component of both (3 ms
    // under Wine), so it is left for when neither answers.
    bool folderMissing = false;
    const Text finalFolder = FinalPathOf(folder, &folderMissing);
    if (folderMissing) return false;
    const Text finalFile = FinalPathOf(file.handle());
    if (!finalFile.empty() && !finalFolder.empty()) return IsSameOrInside(finalFile, finalFolder);
    return IsSameOrInside(FullPathOf(file.path()), FullPathOf(folder));
}

}  // namespace dovrel
