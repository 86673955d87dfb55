#include "core/media_folder.h"

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

// Extensions are compared with ASCII letters folded; a double-byte
// character never equals one of the table's ASCII extensions anyway.
Text FoldAsciiCase(const Text& text)
{
    Text folded = text;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

}  // namespace

std::optional<Text> MediaFolderFor(const Text& extension)
{
    const Text folded = FoldAsciiCase(extension);
    for (const auto& row : kMediaFolders) {
        for (const char* candidate : row.extensions) {
            if (CompareText(folded, candidate) == 0) return Text(row.packageFolder);
        }
    }
    return std::nullopt;
}

}  // namespace dovrel
