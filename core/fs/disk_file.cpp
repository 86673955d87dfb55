#include "core/fs/disk_file.h"

#include "core/fs/wide_path.h"

namespace dovrel {

UniqueFile OpenDiskFileForReading(const Text& path, DWORD share, DWORD flags)
{
    UniqueFile file(CreateFileW(WidePath(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, flags, nullptr));
    if (file && GetFileType(file.get()) != FILE_TYPE_DISK) file.reset();
    return file;
}

}  // namespace dovrel
