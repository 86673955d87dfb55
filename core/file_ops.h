#pragma once
// Single-call file operations; each answers the platform call's success.
// None shows anything; callers decide which results matter.

#include "core/text.h"

namespace dovrel {

bool CreateFolder(const Text& path);                              // one level only
bool DeleteFolderTree(const Text& path);                          // true if the folder itself is gone
bool CopyFileReplacing(const Text& source, const Text& target);
bool RemoveFile(const Text& path);
bool MovePath(const Text& source, const Text& target);            // fails if target exists
bool PathExists(const Text& path);                                // a file or a folder

}  // namespace dovrel
