#include "core/extraction_job.h"

#include "core/document_name.h"
#include "core/file_ops.h"
#include "core/folder_tree.h"
#include "core/inside_folder.h"
#include "core/media_folder.h"
#include "core/result_name.h"
#include "core/scratch_tree.h"
#include "core/user_seam.h"
#include "core/work_paths.h"
#include "core/zip_extractor.h"

namespace dovrel {

namespace {

constexpr char kSuccessMessage[] = "提取成功！";
constexpr char kFailureMessage[] = "提取失败！";
constexpr char kCaption[] = "提示";

// Not DeleteFolderTree: it leaves dot-named entries (a package's
// _rels\.rels, a Mac's .DS_Store) and read-only files, which would keep the
// scratch folder and join the next document's media. Links in it are
// removed as links.
bool ClearScratchFolder(const WorkPaths& paths) { return RemoveScratchTree(paths.scratchFolder); }

// The scratch folder, empty and real, before anything is written: a link
// there (or left inside, which Wine cannot remove) would have the run write
// into the folder it points to, and leftovers that cannot be removed (a file
// held open by a viewer or a scanner) would join this document's media.
bool PrepareScratchFolder(const WorkPaths& paths)
{
    if (!ClearScratchFolder(paths)) return false;
    CreateFolder(paths.outputRoot);
    CreateFolder(paths.scratchFolder);
    return IsRealFolder(paths.scratchFolder);
}

// The zip extraction's progress event, forwarded to the job's progress.
class ProgressForwarder : public ExtractProgressSink {
public:
    explicit ProgressForwarder(JobProgress* progress) : progress_(progress) {}
    bool HasWindow() const override { return progress_ != nullptr; }
    std::optional<bool> Fire(std::int32_t percent) override
    {
        if (!progress_->Report(percent)) stopped = true;
        return !stopped;
    }
    bool stopped = false;

private:
    JobProgress* progress_;
};

// Step 2: the package's media folder, unpacked under the scratch folder,
// straight to its result name in the output root.
DocumentOutcome MoveMediaToResult(const Text& mediaFolder, const WorkPaths& paths, const DocumentName& name,
                                  const Text& suffix)
{
    // A package may hold no media, or a file named like the media folder:
    // no picture to show as a result.
    if (!FolderExists(mediaFolder)) return DocumentOutcome::NothingExtracted;
    // The zip extraction made it a real folder; one that is a link now is
    // never moved.
    if (!IsRealFolder(mediaFolder)) return DocumentOutcome::Failed;
    // On failure the media stay in the scratch folder, as after any failed run.
    return GiveResultName(mediaFolder, paths.outputRoot, name.baseName, suffix) ? DocumentOutcome::Extracted
                                                                                : DocumentOutcome::Failed;
}

}  // namespace

DocumentOutcome ExtractDocument(const WorkPaths& paths, const Text& document, JobProgress* progress)
{
    // The document is only ever read. One inside the scratch folder would be
    // deleted by the clearing.
    if (LiesInside(document, paths.scratchFolder)) return DocumentOutcome::Failed;
    if (!PrepareScratchFolder(paths)) return DocumentOutcome::Failed;

    Text suffix = DrawResultSuffix();
    DocumentName name = AnalyseDocumentName(document);
    // A kind the job does not know selects no entry: the package is still
    // checked, and then ends silently.
    const std::optional<Text> packageFolder = MediaFolderFor(name.extension);

    // Step 1: the document's media into <scratch>\<package media folder>,
    // read where the document is; nothing else of the package is written.
    ProgressForwarder forwarder(progress);
    if (ZipExtractFolder(document, packageFolder, paths.scratchFolder, &forwarder) != 1) {
        // The scratch folder stays for inspection; the next run or start clears it.
        return DocumentOutcome::Failed;
    }
    if (forwarder.stopped) {
        ClearScratchFolder(paths);
        return DocumentOutcome::Stopped;
    }
    if (!packageFolder) {
        ClearScratchFolder(paths);
        return DocumentOutcome::NothingExtracted;
    }

    DocumentOutcome outcome = MoveMediaToResult(JoinTexts({paths.scratchFolder, *packageFolder}), paths, name, suffix);
    if (outcome != DocumentOutcome::Failed) ClearScratchFolder(paths);
    return outcome;
}

void RunExtraction(JobProgress* progress)
{
    const WorkPaths& paths = CurrentWorkPaths();
    UserSeam& user = CurrentUserSeam();
    switch (ExtractDocument(paths, paths.selectedDocument, progress)) {
    case DocumentOutcome::Extracted:
        user.ShowMessage(kSuccessMessage, kCaption);
        user.OpenInShell(paths.outputRoot);
        break;
    case DocumentOutcome::Failed:
        user.ShowMessage(kFailureMessage, kCaption);
        break;
    case DocumentOutcome::NothingExtracted:
    case DocumentOutcome::Stopped:
        break;
    }
}

}  // namespace dovrel
