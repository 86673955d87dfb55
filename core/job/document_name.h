#pragma once
// Splits a document path into the names the extraction job uses. Searches
// step over double-byte characters, so a trail byte 0x5C inside a Chinese
// character is never taken for "\".

#include "core/text/text.h"

namespace dovrel {

struct DocumentName {
    Text documentName;  // after the last "\" (the whole path if none)
    Text extension;     // after the last "." of documentName (the whole name if none)
    Text baseName;      // before the last "." (empty if none)
};

DocumentName AnalyseDocumentName(const Text& path);

}  // namespace dovrel
