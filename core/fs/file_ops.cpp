#include "core/fs/file_ops.h"

#include <windows.h>

#include <algorithm>

#include "core/base/lock_retry.h"
#include "core/base/unique_handle.h"
#include "core/fs/volume.h"
#include "core/fs/wide_path.h"

namespace dovrel {

bool CreateFolder(const Text& path) { return CreateDirectoryW(WidePath(path).c_str(), nullptr) != FALSE; }

bool RemoveFile(const Text& path) { return DeleteFileW(WidePath(path).c_str()) != FALSE; }

bool MovePath(const Text& source, const Text& target)
{
    return RetryWhileLocked([&] { return MoveFileW(WidePath(source).c_str(), WidePath(target).c_str()) != FALSE; });
}

bool WriteNewFile(const Text& path, std::string_view bytes)
{
    UniqueFile file(
        CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    if (!WriteToFile(file.get(), bytes.data(), bytes.size()) || !CloseHandle(file.release())) {
        file.reset();
        RemoveFile(path);
        return false;
    }
    return true;
}

std::optional<std::string> ReadWholeFile(const Text& path, std::uint64_t limit)
{
    UniqueFile file(CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > limit)
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    for (std::size_t done = 0; done < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr) || read == 0) return std::nullopt;
        done += read;
    }
    return bytes;
}

}  // namespace dovrel
