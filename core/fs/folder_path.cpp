#include "core/fs/folder_path.h"

#include <windows.h>

#include "core/text/path_separator.h"
#include "core/fs/file_ops.h"
#include "core/fs/wide_path.h"

namespace dovrel {

bool CreateFolderPath(const Text& path)
{
    Text full = path;
    if (!EndsWithSeparator(full)) full += '\\';
    bool created = true;
    ForEachCharacterStart(full.data(), full.size(), [&](std::size_t at) {
        if (!IsPathSeparator(full[at])) return true;
        Text prefix = full.substr(0, at + 1);
        if (!PathExists(prefix) && !CreateDirectoryW(WidePath(prefix).c_str(), nullptr)) created = false;
        return created;
    });
    return created;
}

}  // namespace dovrel
