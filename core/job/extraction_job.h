#pragma once
// The extract button's job: from the selected document to
// <Documents>\PPT_RES\<base name>_<number>, told to the user through the
// user seam. Runs synchronously to its end; all outcome is shown.

#include "core/base/progress.h"
#include "core/text/text.h"

namespace dovrel {

struct WorkPaths;

enum class DocumentOutcome {
    Extracted,         // a result folder was made
    NothingExtracted,  // a document without pictures or videos: silent
    Failed,            // the user is told "提取失败！"
    Stopped,           // the progress asked for a stop: no result, no message
};

// progress: how far the whole run is, called on the job's own (the
// user-interface) thread. false asks the job to stop: it then clears the
// scratch folder and ends without a result or a message. Ended is told
// before the user hears how the run went.

// One document from the scratch folder's clearing to its result folder;
// shows nothing. The document is read where it is and never changed; a
// document inside the scratch folder fails before anything is cleared. The
// scratch folder is cleared afterwards unless the run failed (it then stays,
// with whatever media it holds, until the next run or start); a run that
// failed because a write failed clears it too.
DocumentOutcome ExtractDocument(const WorkPaths& paths, const Text& document, Progress* progress = nullptr);

// The selected documents: one is a single run, told as ExtractDocument's
// outcome says; two or more are a batch, each document extracted in turn
// and one message at the end ("提取失败！" with the failed documents' names
// on lines of their own when any failed), the output root opened once when
// any result folder was made; no message when none was made and none
// failed. A folder stands for the documents in it and
// its folders (core/job/document_folder.h), each named after its relative
// path, and makes a batch even alone; one with no document in it, alone,
// ends silently. A folder in the output root, or past the limits, fails as
// a whole. A stop ends the batch without a message.
void RunExtraction(Progress* progress = nullptr);

}  // namespace dovrel
