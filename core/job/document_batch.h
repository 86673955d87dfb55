#pragma once
// Several documents chosen or dropped together: how they arrive as one
// list, and how the path box shows them.

#include <vector>

#include "core/text/text.h"

namespace dovrel {

// The drop target's files text split into its paths, in their order: one
// path alone, or each path followed by CR LF. Empty members are left out.
std::vector<Text> SplitDroppedPaths(const Text& text);

// What the single-line path box shows: the paths separated by "; ".
Text PathBoxText(const std::vector<Text>& documents);

}  // namespace dovrel
