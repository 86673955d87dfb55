#include "core/job/document_name.h"

#include "core/text/path_separator.h"

namespace dovrel {

DocumentName AnalyseDocumentName(const Text& path)
{
    DocumentName name;
    const std::size_t separator = LastSeparator(path);
    name.documentName = separator == Text::npos ? path : path.substr(separator + 1);
    std::int32_t dot = FindLastText(name.documentName, ".");
    name.extension = RightText(name.documentName, TextLength(name.documentName) - dot);
    name.baseName = LeftText(name.documentName, dot - 1);
    return name;
}

}  // namespace dovrel
