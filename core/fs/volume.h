#pragma once
// The volume the job writes to: its free space, and every write of the
// job's files. The real platform by default; tests install a fake volume
// (a small one, or one that fills up mid-run), as they do for the user.

#include <windows.h>

#include <cstdint>
#include <optional>

#include "core/text/text.h"

namespace dovrel {

class VolumeSeam {
public:
    virtual ~VolumeSeam() = default;
    // Bytes the user may still write on the volume `path` (a folder, or a
    // file to be made in one) lies on; nothing when that cannot be learned.
    virtual std::optional<std::uint64_t> FreeBytes(const Text& path) = 0;
    // WriteFile of `count` bytes; false unless all were written.
    virtual bool Write(HANDLE file, const void* bytes, DWORD count) = 0;
};

VolumeSeam& RealVolume();
VolumeSeam& CurrentVolume();

// Installs a volume for the lifetime of the object (tests).
class ScopedVolume {
public:
    explicit ScopedVolume(VolumeSeam& volume);
    ~ScopedVolume();
    ScopedVolume(const ScopedVolume&) = delete;
    ScopedVolume& operator=(const ScopedVolume&) = delete;

private:
    VolumeSeam* previous_;
};

// Whether `files` files of `bytes` in all fit in the free space of the
// volume `folder` (or the file to be made) lies on, each file taking up to a cluster (4 KB) more
// than its bytes. true when the free space cannot be learned: the writes
// then tell.
bool HasRoomFor(const Text& folder, std::uint64_t bytes, std::uint64_t files);

// Writes all `count` bytes through the current volume. A failure is
// counted (FailedWrites).
bool WriteToFile(HANDLE file, const void* bytes, std::size_t count);
// Writes that failed since the program started: a run that sees the count
// grow knows that a write failed, whatever else went wrong.
std::uint64_t FailedWrites();

}  // namespace dovrel
