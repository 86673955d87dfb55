#include "core/media_folder.h"

#include "core/ascii.h"

namespace dovrel {

namespace {

struct MediaFolderRow {
    const char* extensions[2];
    const char* packageFolder;
};

constexpr MediaFolderRow kMediaFolders[] = {
    {{"ppt", "pptx"}, "\\ppt\\media"},
    {{"doc", "docx"}, "\\word\\media"},
    {{"xls", "xlsx"}, "\\xl\\media"},
};

}  // namespace

std::optional<Text> MediaFolderFor(const Text& extension)
{
    // A double-byte character never equals one of the table's ASCII
    // extensions, so folding ASCII letters is all "letter case ignored" needs.
    const Text folded = FoldAsciiCase(extension);
    for (const auto& row : kMediaFolders) {
        for (const char* candidate : row.extensions) {
            if (CompareText(folded, candidate) == 0) return Text(row.packageFolder);
        }
    }
    return std::nullopt;
}

}  // namespace dovrel
