#include "core/fs/document_file.h"

#include <algorithm>

namespace dovrel {

DocumentFile::DocumentFile(const Text& path, DWORD share)
    : path_(path), file_(path.empty() ? INVALID_HANDLE_VALUE
                                      : CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                                    FILE_ATTRIBUTE_NORMAL, nullptr))
{
}

std::uint64_t DocumentFile::size() const
{
    LARGE_INTEGER size;
    if (!file_ || !GetFileSizeEx(file_.get(), &size) || size.QuadPart < 0) return 0;
    return static_cast<std::uint64_t>(size.QuadPart);
}

bool DocumentFile::ReadSomeAt(std::uint64_t offset, void* into, DWORD length, DWORD& read) const
{
    read = 0;
    if (!file_) return false;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    if (ReadFile(file_.get(), into, length, &read, &at)) return true;
    read = 0;
    return GetLastError() == ERROR_HANDLE_EOF;
}

bool DocumentFile::ReadAt(std::uint64_t offset, std::size_t length, std::string& bytes) const
{
    constexpr std::size_t kPiece = 1u << 24;
    bytes.clear();
    // Grown as the data really arrives, so a stated length alone never
    // makes a large allocation.
    while (bytes.size() < length) {
        const std::size_t have = bytes.size();
        const DWORD want = static_cast<DWORD>(std::min(kPiece, length - have));
        bytes.resize(have + want);
        DWORD read = 0;
        if (!ReadSomeAt(offset + have, bytes.data() + have, want, read) || read != want) {
            bytes.clear();
            return false;
        }
    }
    return true;
}

}  // namespace dovrel
