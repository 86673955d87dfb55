#include <windows.h>

#include "core/fs/file_ops.h"
#include "core/fs/wide_path.h"

namespace dovrel {

bool PathExists(const Text& path)
{
    return !path.empty() && GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FolderExists(const Text& path)
{
    if (path.empty()) return false;
    DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace dovrel
