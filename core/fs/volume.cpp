#include "core/fs/volume.h"

#include <algorithm>
#include <atomic>

#include "core/text/path_separator.h"
#include "core/fs/wide_path.h"

namespace dovrel {

namespace {

constexpr std::uint64_t kCluster = 4096;
constexpr std::size_t kMostInOneWrite = 1u << 24;

class PlatformVolume final : public VolumeSeam {
public:
    std::optional<std::uint64_t> FreeBytes(const Text& path) override
    {
        ULARGE_INTEGER available;
        // A file not yet made: the volume of its folder.
        if (GetDiskFreeSpaceExW(WidePath(path).c_str(), &available, nullptr, nullptr) ||
            GetDiskFreeSpaceExW(WidePath(FolderOf(path)).c_str(), &available, nullptr, nullptr)) {
            return available.QuadPart;
        }
        return std::nullopt;
    }

private:
    // Up to the last separator.
    static Text FolderOf(const Text& path)
    {
        const std::size_t last = LastSeparator(path);
        return path.substr(0, (last == Text::npos ? 0 : last) + 1);
    }
    bool Write(HANDLE file, const void* bytes, DWORD count) override
    {
        DWORD written = 0;
        return WriteFile(file, bytes, count, &written, nullptr) && written == count;
    }
};

VolumeSeam* current = nullptr;
std::atomic<std::uint64_t> failedWrites{0};

}  // namespace

VolumeSeam& RealVolume()
{
    static PlatformVolume volume;
    return volume;
}

VolumeSeam& CurrentVolume() { return current ? *current : RealVolume(); }

ScopedVolume::ScopedVolume(VolumeSeam& volume) : previous_(current) { current = &volume; }
ScopedVolume::~ScopedVolume() { current = previous_; }

bool HasRoomFor(const Text& folder, std::uint64_t bytes, std::uint64_t files)
{
    const std::optional<std::uint64_t> free = CurrentVolume().FreeBytes(folder);
    if (!free) return true;
    const std::uint64_t slack = std::min<std::uint64_t>(files, UINT64_MAX / kCluster) * kCluster;
    return bytes <= *free && slack <= *free - bytes;
}

bool WriteToFile(HANDLE file, const void* bytes, std::size_t count)
{
    const char* at = static_cast<const char*>(bytes);
    for (std::size_t done = 0; done < count;) {
        const DWORD piece = static_cast<DWORD>(std::min(count - done, kMostInOneWrite));
        if (!CurrentVolume().Write(file, at + done, piece)) {
            ++failedWrites;
            return false;
        }
        done += piece;
    }
    return true;
}

std::uint64_t FailedWrites() { return failedWrites; }

}  // namespace dovrel
