#pragma once
// The extract button's job: from the selected document to
// <Documents>\PPT_RES\<base name>_<number>, told to the user through the
// user seam. Runs synchronously to its end; all outcome is shown.

#include "core/text.h"

namespace dovrel {

struct WorkPaths;

enum class DocumentOutcome {
    Extracted,         // a result folder was made
    NothingExtracted,  // no media, or a kind of document the job does not know: silent
    Failed,            // the user is told "提取失败！"
};

// One document from the scratch folder's clearing to its result folder;
// shows nothing. The scratch folder is cleared afterwards unless the
// unpacking failed (it then stays for inspection until the next run).
DocumentOutcome ExtractDocument(const WorkPaths& paths, const Text& document);

void RunExtraction();

}  // namespace dovrel
