#pragma once
// Whether a path lies in a folder, however either is spelled.

#include "core/fs/document_file.h"
#include "core/text/text.h"

namespace dovrel {

// true when path names folder itself or something inside it: compared as
// full paths with short (8.3) names made long, and again with links
// resolved (the final paths of both, where both exist). Letter case is
// ignored. An empty path or folder lies nowhere.
bool LiesInside(const Text& path, const Text& folder);
// The same for an open document: its final path is the open file's own,
// and where the final paths of both are known they alone decide.
bool LiesInside(const DocumentFile& file, const Text& folder);

}  // namespace dovrel
