#include "core/job/work_paths.h"

#include <utility>

#include "core/fs/scratch_tree.h"
#include "core/shell/user_seam.h"

namespace dovrel {

namespace {
WorkPaths g_workPaths;
}

const WorkPaths& CurrentWorkPaths() { return g_workPaths; }

void SetUpWorkPaths()
{
    // The Documents folder comes with its trailing "\", so no separator is
    // added; without one the output root is the relative "PPT_RES".
    g_workPaths.outputRoot = JoinTexts({CurrentUserSeam().DocumentsFolder(), "PPT_RES"});
    g_workPaths.scratchFolder = JoinTexts({g_workPaths.outputRoot, "\\TMP"});
    // The same full removal as a run's: DeleteFolderTree would leave the
    // dot-named and read-only remains of a failed run.
    RemoveScratchTree(g_workPaths.scratchFolder);
}

namespace {

// "/" read as "\", as Windows reads it, so that every path the job splits
// or compares has one separator; a "\\?\" path is taken literally by
// Windows and left so. Never a trail byte of code page 936, nor in an escape.
Text WithBackslashes(Text path)
{
    if (path.rfind("\\\\?\\", 0) == 0) return path;
    for (char& byte : path)
        if (byte == '/') byte = '\\';
    return path;
}

}  // namespace

void SetSelectedDocuments(std::vector<Text> paths)
{
    for (Text& path : paths) path = WithBackslashes(std::move(path));
    g_workPaths.selectedDocuments = std::move(paths);
}

void ReleaseWorkPaths() { g_workPaths = WorkPaths{}; }

}  // namespace dovrel
