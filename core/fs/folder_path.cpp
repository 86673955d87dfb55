#include "core/fs/folder_path.h"

#include <windows.h>

#include "core/text/dbcs.h"
#include "core/fs/file_ops.h"
#include "core/fs/wide_path.h"

namespace dovrel {

bool EndsWithBackslash(const Text& text)
{
    bool last = false;
    ForEachCharacterStart(text.data(), text.size(), [&](std::size_t at) {
        last = CharacterSize(text.data(), text.size(), at) == 1 && text[at] == '\\';
        return true;
    });
    return last;
}

bool CreateFolderPath(const Text& path)
{
    Text full = path;
    if (!EndsWithBackslash(full)) full += '\\';
    bool created = true;
    ForEachCharacterStart(full.data(), full.size(), [&](std::size_t at) {
        if (CharacterSize(full.data(), full.size(), at) != 1 || full[at] != '\\') return true;
        Text prefix = full.substr(0, at + 1);
        if (!PathExists(prefix) && !CreateDirectoryW(WidePath(prefix).c_str(), nullptr)) created = false;
        return created;
    });
    return created;
}

}  // namespace dovrel
