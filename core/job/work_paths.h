#pragma once
// The four paths the whole program shares. OutputRoot, ScratchFolder and
// ScratchArchive are fixed once at window creation; the selected documents
// change with every browse or drop and keep their value across runs.

#include <vector>

#include "core/text/text.h"

namespace dovrel {

struct WorkPaths {
    Text outputRoot;      // <Documents>\PPT_RES
    Text scratchFolder;   // OutputRoot\TMP
    Text scratchArchive;  // ScratchFolder\temp.zip: no longer written (the job reads the document in place)
    // The chosen or dropped paths, as given ("/" taken for "\"), in their
    // order: one for a single run, two or more for a batch; none before the
    // first choice.
    std::vector<Text> selectedDocuments;
};

const WorkPaths& CurrentWorkPaths();

// Fixes the three folders under the Documents folder (through the user
// seam) and deletes whatever an earlier run left in the scratch folder.
void SetUpWorkPaths();
void SetSelectedDocuments(std::vector<Text> paths);
// One document: a single run.
void SetSelectedDocument(const Text& path);
// The program's end routine: forgets all four paths.
void ReleaseWorkPaths();

}  // namespace dovrel
