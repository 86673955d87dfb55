// The compound-file check over a file on disk.
#include "core/compound/compound_file_check.h"

#include <windows.h>

#include "core/base/unique_handle.h"

namespace dovrel {

namespace {

class SectorFile : public CompoundBytes {
public:
    explicit SectorFile(const Text& path)
        : file_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
        LARGE_INTEGER size{};
        if (file_ && GetFileSizeEx(file_.get(), &size)) size_ = static_cast<std::uint64_t>(size.QuadPart);
    }
    std::uint64_t size() const override { return size_; }

    bool Read(std::uint64_t offset, std::size_t length, std::string& bytes) const override
    {
        bytes.assign(length, '\0');
        LARGE_INTEGER position;
        position.QuadPart = static_cast<LONGLONG>(offset);
        DWORD read = 0;
        return file_ && offset + length <= size_ && SetFilePointerEx(file_.get(), position, nullptr, FILE_BEGIN) &&
               ReadFile(file_.get(), bytes.data(), static_cast<DWORD>(length), &read, nullptr) && read == length;
    }

private:
    UniqueFile file_;
    std::uint64_t size_ = 0;
};

}  // namespace

bool CompoundFileChainsAreSound(const Text& path) { return CompoundChainsAreSound(SectorFile(path)); }

}  // namespace dovrel
