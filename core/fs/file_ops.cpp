#include "core/fs/file_ops.h"

#include <windows.h>

#include "core/base/lock_retry.h"
#include "core/fs/wide_path.h"

namespace dovrel {

bool CreateFolder(const Text& path) { return CreateDirectoryW(WidePath(path).c_str(), nullptr) != FALSE; }

bool CopyFileReplacing(const Text& source, const Text& target)
{
    return CopyFileW(WidePath(source).c_str(), WidePath(target).c_str(), FALSE) != FALSE;
}

bool RemoveFile(const Text& path) { return DeleteFileW(WidePath(path).c_str()) != FALSE; }

bool MovePath(const Text& source, const Text& target)
{
    return RetryWhileLocked([&] { return MoveFileW(WidePath(source).c_str(), WidePath(target).c_str()) != FALSE; });
}

}  // namespace dovrel
