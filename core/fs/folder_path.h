#pragma once

#include "core/text/text.h"

namespace dovrel {

// Creates the folder at path with every missing level above it, from the
// top down. true when the whole path exists afterwards; on a failure the
// levels created so far stay. Separators are "\" or "/" characters
// (double-byte characters stepped over).
bool CreateFolderPath(const Text& path);

}  // namespace dovrel
