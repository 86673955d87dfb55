#pragma once
// A volume with little free space, or one that fills up while the job
// writes: its free space is what the test says, and writes past
// `fillsAfter` bytes fail as on a full disk (the others reach the real file).

#include <cstdint>

#include "core/fs/volume.h"

namespace dovrel::test {

class FakeVolume final : public VolumeSeam {
public:
    explicit FakeVolume(std::uint64_t free, std::uint64_t fillsAfter = UINT64_MAX)
        : free_(free), fillsAfter_(fillsAfter)
    {
    }
    std::optional<std::uint64_t> FreeBytes(const Text&) override { return free_; }
    bool Write(HANDLE file, const void* bytes, DWORD count) override
    {
        if (count > fillsAfter_ - written) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        written += count;
        return RealVolume().Write(file, bytes, count);
    }
    std::uint64_t written = 0;  // bytes that reached a file

private:
    std::uint64_t free_;
    std::uint64_t fillsAfter_;
};

}  // namespace dovrel::test
