#pragma once
// The documents embedded in a document (a workbook on a slide, a document
// in a workbook, an old workbook in an old document), each read like a
// document, by its content, after the outer one's own media: its pictures
// go into embeddings\<part name>\ below the outer one's media folder, and
// the documents embedded in it below those, at most kEmbeddingDepth levels
// down. A document that embeds itself, or a loop, ends there. A damaged
// embedded document is passed over: it never fails the outer one.

#include <functional>
#include <optional>

#include "core/fs/document_file.h"
#include "core/text/text.h"

namespace dovrel {

constexpr int kEmbeddingDepth = 4;

// document: the open zip package whose parts lie under packageRoot ("\ppt",
// "\word", "\xl"), or, with no root, a compound file. mediaFolder: where
// its media are, or will be when an embedded document has pictures.
// workFolder: a folder that is the caller's to clear, removed at the end.
// `goOn` is asked now and then; false (answered too) means a stop.
bool ExtractEmbeddedDocuments(const DocumentFile& document, const std::optional<Text>& packageRoot,
                              const Text& mediaFolder, const Text& workFolder, const std::function<bool()>& goOn);

// "\ppt\media" -> "\ppt": the package folder that holds a media folder.
Text PackageRootOf(const Text& mediaFolder);

}  // namespace dovrel
