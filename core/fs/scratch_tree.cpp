#include "core/fs/scratch_tree.h"

#include <windows.h>

#include "core/fs/file_ops.h"
#include "core/fs/folder_tree.h"

namespace dovrel {

bool RemoveScratchTree(const Text& path)
{
    if (DeleteFolderTreeRefuses(path)) return false;
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return RemoveFolderTree(path, TreeRemoval::Everything);
}

}  // namespace dovrel
