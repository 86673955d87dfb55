#pragma once
// The paths the whole program shares. OutputRoot and ScratchFolder are
// fixed once at window creation; the selected documents change with every browse or drop and keep their value across
// runs.

#include <vector>

#include "core/text/text.h"

namespace dovrel {

struct WorkPaths {
    Text outputRoot;     // <Documents>\PPT_RES
    Text scratchFolder;  // OutputRoot\TMP
    // The chosen or dropped paths, as given ("/" taken for "\"), in their
    // order: one for a single run, two or more for a batch; none before the
    // first choice.
    std::vector<Text> selectedDocuments;
};

const WorkPaths& CurrentWorkPaths();

// Fixes the two folders under the Documents folder (through the user
// seam) and deletes whatever an earlier run left in the scratch folder.
void SetUpWorkPaths();
// One path is a single run, two or more a batch.
void SetSelectedDocuments(std::vector<Text> paths);
// The program's end routine: forgets all the paths.
void ReleaseWorkPaths();

}  // namespace dovrel
