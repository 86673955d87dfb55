#include "core/fs/scratch_tree.h"

#include <windows.h>

#include "core/fs/file_ops.h"
#include "core/fs/folder_tree.h"
#include "core/fs/wide_path.h"

namespace dovrel {

bool RemoveScratchTree(const Text& path)
{
    if (DeleteFolderTreeRefuses(path)) return false;
    DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return RemoveFolderTree(path, TreeRemoval::Everything);
}

}  // namespace dovrel
