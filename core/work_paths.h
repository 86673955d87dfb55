#pragma once
// The four paths the whole program shares. OutputRoot, ScratchFolder and
// ScratchArchive are fixed once at window creation; SelectedDocument
// changes with every browse or drop and keeps its value across runs.

#include "core/text.h"

namespace dovrel {

struct WorkPaths {
    Text outputRoot;        // <Documents>\PPT_RES
    Text scratchFolder;     // OutputRoot\TMP
    Text scratchArchive;    // ScratchFolder\temp.zip: no longer written (the job reads the document in place)
    Text selectedDocument;  // the chosen or dropped path, as given
};

const WorkPaths& CurrentWorkPaths();

// Fixes the three folders under the Documents folder (through the user
// seam) and deletes whatever an earlier run left in the scratch folder.
void SetUpWorkPaths();
void SetSelectedDocument(const Text& path);
// The program's end routine: forgets all four paths.
void ReleaseWorkPaths();

}  // namespace dovrel
