#pragma once
// Removal of the job's scratch folder, whatever a package left in it.

#include "core/text/text.h"

namespace dovrel {

// Deletes the folder at path with everything in it, names beginning with a
// dot and read-only files included (DeleteFolderTree leaves both, and a
// package may hold either: ".DS_Store", or a file whose data failed and kept
// the entry's read-only attribute). A link at path or inside is removed as
// a link; what it points to is never touched (core/folder_tree.h). Refuses
// what DeleteFolderTree refuses. Answers whether the folder is gone.
bool RemoveScratchTree(const Text& path);

}  // namespace dovrel
