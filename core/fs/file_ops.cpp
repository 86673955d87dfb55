#include "core/fs/file_ops.h"

#include <windows.h>

#include "core/base/lock_retry.h"

namespace dovrel {

bool CreateFolder(const Text& path) { return CreateDirectoryA(path.c_str(), nullptr) != FALSE; }

bool CopyFileReplacing(const Text& source, const Text& target)
{
    return CopyFileA(source.c_str(), target.c_str(), FALSE) != FALSE;
}

bool RemoveFile(const Text& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool MovePath(const Text& source, const Text& target)
{
    return RetryWhileLocked([&] { return MoveFileA(source.c_str(), target.c_str()) != FALSE; });
}

}  // namespace dovrel
