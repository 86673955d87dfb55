#pragma once
// Where each kind of Office Open XML package keeps its pictures and videos.

#include <optional>

#include "core/text/text.h"

namespace dovrel {

// The package folder ("\ppt\media", "\word\media" or "\xl\media") for a
// document extension, or nothing for an extension of no known kind.
// Letter case does not matter, as in Windows file names.
std::optional<Text> MediaFolderFor(const Text& extension);

}  // namespace dovrel
