#include "core/fs/file_ops.h"

#include <windows.h>

#include <algorithm>

#include "core/base/lock_retry.h"
#include "core/base/unique_handle.h"

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

bool WriteNewFile(const Text& path, std::string_view bytes)
{
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    for (std::size_t done = 0; done < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written != chunk) {
            file.reset();
            RemoveFile(path);
            return false;
        }
        done += chunk;
    }
    return true;
}

}  // namespace dovrel
