#include "core/job/media_folder.h"

#include "core/text/ascii.h"

namespace dovrel {

namespace {

struct MediaFolderRow {
    const char* extensions[7];  // unused places are null
    const char* packageFolder;
};

// Macro-enabled files, slide shows, templates and binary workbooks are the
// same packages, with their media in the same folders.
constexpr MediaFolderRow kMediaFolders[] = {
    {{"ppt", "pptx", "pptm", "ppsx", "ppsm", "potx", "potm"}, "\\ppt\\media"},
    {{"doc", "docx", "docm", "dotx", "dotm"}, "\\word\\media"},
    {{"xls", "xlsx", "xlsm", "xlsb", "xltx", "xltm"}, "\\xl\\media"},
};

}  // namespace

std::optional<Text> MediaFolderFor(const Text& extension)
{
    // A double-byte character never equals one of the table's ASCII
    // extensions, so folding ASCII letters is all "letter case ignored" needs.
    const Text folded = FoldAsciiCase(extension);
    for (const auto& row : kMediaFolders) {
        for (const char* candidate : row.extensions) {
            if (candidate && CompareText(folded, candidate) == 0) return Text(row.packageFolder);
        }
    }
    return std::nullopt;
}

}  // namespace dovrel
