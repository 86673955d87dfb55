#pragma once

#include "core/text/text.h"

namespace dovrel {

// Creates the folder at path with every missing level above it, from the
// top down. true when the whole path exists afterwards; on a failure the
// levels created so far stay. Separators are "\" characters (double-byte
// characters stepped over).
bool CreateFolderPath(const Text& path);

// true when the text's last character (double-byte characters counted as
// one) is "\".
bool EndsWithBackslash(const Text& text);

}  // namespace dovrel
