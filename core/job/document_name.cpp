#include "core/job/document_name.h"

namespace dovrel {

DocumentName AnalyseDocumentName(const Text& path)
{
    DocumentName name;
    // With no "\" the position is -1 and the count asks for one byte more
    // than the text has, which yields the whole text.
    std::int32_t slash = FindLastText(path, "\\");
    name.documentName = RightText(path, TextLength(path) - slash);
    std::int32_t dot = FindLastText(name.documentName, ".");
    name.extension = RightText(name.documentName, TextLength(name.documentName) - dot);
    name.baseName = LeftText(name.documentName, dot - 1);
    return name;
}

}  // namespace dovrel
