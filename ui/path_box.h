#pragma once
// What a path typed or pasted into the path box names.

#include "core/text/text.h"

namespace dovrel {

// The box's text without the blanks and double quotes around it (the
// shell's "copy as path" adds quotes).
Text DocumentFromPathBox(const Text& boxText);

}  // namespace dovrel
