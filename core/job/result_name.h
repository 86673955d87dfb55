#pragma once
// Gives the media folder moved into the output root its final name,
// <base name>_<suffix>, drawing new suffixes while that name is taken.

#include <functional>

#include "core/text/text.h"

namespace dovrel {

// How many suffixes are tried before giving up.
constexpr int kResultNameAttempts = 16;

// The six-digit suffix of a result folder: a fresh seeding, then a draw
// from 202105 up (never above 234872).
Text DrawResultSuffix();

// Renames mediaFolder to outputRoot\<baseName>_<suffix>; on a clash tries
// again with drawSuffix() up to kResultNameAttempts names in all. False
// when none worked, or at once when the move fails for another reason than
// a taken name (a lock that outlasted the retries, a name too long);
// mediaFolder then stays where it was.
bool GiveResultName(const Text& mediaFolder, const Text& outputRoot, const Text& baseName, const Text& firstSuffix,
                    const std::function<Text()>& drawSuffix = DrawResultSuffix);

}  // namespace dovrel
