#pragma once
// The extract button's job: from the selected document to
// <Documents>\PPT_RES\<base name>_<number>, told to the user through the
// user seam. Runs synchronously to its end; all outcome is shown.

namespace dovrel {

void RunExtraction();

}  // namespace dovrel
