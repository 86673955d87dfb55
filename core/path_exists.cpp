#include <windows.h>

#include "core/file_ops.h"

namespace dovrel {

bool PathExists(const Text& path)
{
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace dovrel
